#ifndef WHITELISTDATABASE_H
#define WHITELISTDATABASE_H

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The whitelist kept on this workstation: one password-protected database
// file per printer, opened and closed within each operation.
class WhiteListDatabase
{
public:
    WhiteListDatabase();
    ~WhiteListDatabase();
    WhiteListDatabase(const WhiteListDatabase &) = delete;
    WhiteListDatabase &operator=(const WhiteListDatabase &) = delete;

    // True exactly when the row was inserted.
    bool insertIP(const QString &path, const QString &ip);
    // ipList: quoted addresses joined by ",", e.g. '10.0.0.4','10.0.0.9'.
    // Returns the addresses left, or ("error").
    QStringList deleteIPs(const QString &path, const QString &ipList);
    // Every stored address, or ("error").
    QStringList selectIPs(const QString &path);
    // The whole list becomes `ips`, in one transaction on one connection
    // (the store and its folder are made when missing): on any failure the
    // previous list stays whole.
    bool replaceAll(const QString &path, const QStringList &ips);

    static QString databasePath(const QString &printerAddress);
    static QString directoryOf(const QString &path);
    // A printer's folder, made if missing, open to the operators' group.
    static bool makeFolder(const QString &folder);
    // Splits a quoted list strictly; false for any other shape.
    static bool parseQuotedList(const QString &ipList, QStringList *addresses);

private:
    bool openExisting(const QString &path);
    // Opens the store at `path`, creating folder, file and table when
    // missing; a file this call made and could not finish is removed.
    bool openOrCreate(const QString &path);
    void removeFailedCreation(const QString &path);
    QStringList readAll();

    QString m_connection;
    QSqlDatabase m_db;
};

#endif // WHITELISTDATABASE_H
