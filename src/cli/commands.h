#ifndef COMMANDS_H
#define COMMANDS_H

class QCoreApplication;

// nettoolctl's command line: parsing, checks that send nothing (exit 2 on
// a usage error), and one fleet run of the chosen operation.
namespace Commands {
int run(QCoreApplication &app);
}

#endif // COMMANDS_H
