#ifndef FLEETMODE_H
#define FLEETMODE_H

#include "net/httpservices.h"

#include <QtGlobal>

// A CTest entry that sets NETTOOL_TEST_FLEET_MODE runs the same cases over
// the command line's lean exchanges, so both roads meet the same faults.
// Returns whether it does.
inline bool followFleetMode()
{
    const bool on = qEnvironmentVariableIsSet("NETTOOL_TEST_FLEET_MODE");
    if (on)
        HttpServices::setFleetMode(true);
    return on;
}

#endif // FLEETMODE_H
