#ifndef NETWORKRULES_H
#define NETWORKRULES_H

#include <QString>
#include <cstdint>

// The checks of the network page, in their fixed order.
namespace NetworkRules {

// "%d.%d.%d.%d" as one unsigned 32-bit value; 0 when the text does not
// yield four integers.
uint32_t addressValue(const QString &text);

// The first step (1 to 18) that the four texts fail, or 0 when all pass.
int firstFailingStep(const QString &current, const QString &ip, const QString &mask, const QString &gateway);

// Source texts of a step's warning (translated in the window's context).
const char *title(int step);
const char *text(int step);

} // namespace NetworkRules

#endif // NETWORKRULES_H
