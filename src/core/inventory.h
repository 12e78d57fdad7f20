#ifndef INVENTORY_H
#define INVENTORY_H

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A fleet as one file: a YAML inventory in the layout Ansible reads too
// (all: with vars: and children:, each group with vars:, hosts: and
// children:), each host a name with its variables. A host's variable wins
// over its nearest group's, which wins over the outer groups' and all's.
// Variables named ansible_* are Ansible's and are passed over.
struct InventoryHost
{
    QString name;
    QString address; // plain decimal
    QString mask;
    QString gateway;
    QString location;
    QStringList tags;
    QStringList groups; // every group it is in, outer ones included

    // What it should be.
    bool clock = false;
    QString whitelist; // a file, one address a line; empty: not managed
    QString firmwareVersion; // empty: not managed
    QString firmwareImage;
    QString factoryAddress; // where it answers after a firmware update
    int firmwareWait = 180; // seconds to find it again
};

class Inventory
{
public:
    // False with "FILE:LINE:COLUMN: what" for the first fault: YAML syntax,
    // an unknown variable, a host without an address, two hosts with one
    // address, a whitelist or image file that cannot be read, a firmware
    // without a version. Relative paths are taken from the file's folder.
    static bool load(const QString &path, Inventory *inventory, QString *why);

    const QList<InventoryHost> &hosts() const { return m_hosts; }
    QString path() const { return m_path; }
    const InventoryHost *byAddress(const QString &address) const;

    // The hosts an item names: a host name, a group name, tag:NAME or one
    // of the hosts' addresses; none when it names nothing here. In
    // inventory order, each once.
    QList<const InventoryHost *> select(const QString &item) const;

private:
    QString m_path;
    QList<InventoryHost> m_hosts;
    QHash<QString, QStringList> m_groups; // group -> host names
};

#endif // INVENTORY_H
