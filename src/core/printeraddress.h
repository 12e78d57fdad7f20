#ifndef PRINTERADDRESS_H
#define PRINTERADDRESS_H

#include <QString>

// A dotted IPv4 address as an operator typed it, read once: whether it is
// one at all, whether it may name a printer host, and its plain decimal form
// ("010.000.000.009" is 10.0.0.9), the one form that is sent, stored and
// compared.
class PrinterAddress
{
public:
    PrinterAddress() = default;
    static PrinterAddress parse(const QString &text);

    // Four groups of 0 to 255 in ASCII digits.
    bool isValid() const { return m_valid; }
    // A printer host: last group below 255.
    bool isHost() const { return m_valid && (m_value & 0xFF) != 0xFF; }
    const QString &typed() const { return m_typed; }
    // The plain form; the text as typed when it is no address.
    const QString &plain() const { return m_plain; }
    quint32 value() const { return m_value; }

    static QString dotted(quint32 value);

    bool operator==(const PrinterAddress &other) const { return m_plain == other.m_plain; }
    bool operator!=(const PrinterAddress &other) const { return !(*this == other); }

private:
    QString m_typed;
    QString m_plain;
    quint32 m_value = 0;
    bool m_valid = false;
};

#endif // PRINTERADDRESS_H
