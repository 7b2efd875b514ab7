#pragma once

#include <QString>

// Which Do Not Disturb switch fits the session's notification service, from what the service
// calls itself (GetServerInformation) and what it offers.
namespace tavlin::DndServiceChoice {

// The service whose own switch a server's name calls for: "dunst", "mako", "swaync", "xfce" or
// "gnome"; empty for a server Tavlin knows no switch of.
QString serviceNamed(const QString& serverName);

struct Facts
{
    bool bus = true;         // the session bus could be reached
    QString serverName;      // empty when no notification service answered
    bool inhibits = false;   // the server offers Inhibit, which ends with the connection
    bool switchable = false; // the switch serviceNamed() gives is offered
};

// The id of the switch to use; empty when there is none, with `reason` saying why.
QString choose(const Facts& facts, QString& reason);

} // namespace tavlin::DndServiceChoice
