#ifndef PRINTERLIST_H
#define PRINTERLIST_H

#include <QString>
#include <QStringList>

// The printers a command names: addresses, ranges in CIDR notation (their
// host addresses) and @FILE (one address or range per line; blank lines and
// "#" comments ignored). Addresses come out in plain decimal, each once, in
// the order given.
namespace PrinterList {

// A range this large or larger is refused: a typo, not a fleet.
constexpr int MaxPrinters = 65536;

// False with the reason on the first item that is neither.
bool expand(const QStringList &items, QStringList *printers, QString *why);

// The host addresses of one range ("10.0.0.0/30": .1 and .2); an address
// without a prefix is itself.
bool expandOne(const QString &item, QStringList *printers, QString *why);

// Lines of a list file, blank lines and "#" comments dropped, trimmed.
bool readLines(const QString &path, QStringList *lines, QString *why);

} // namespace PrinterList

#endif // PRINTERLIST_H
