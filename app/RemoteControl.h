#pragma once

#include "app/TidyCommand.h"

#include <QDBusContext>
#include <QObject>

namespace tavlin {

class AppModel;
struct AppServices;

// The running program on the session bus. The command line switches the overlays and tidies
// through it, and so can a desktop's own shortcuts where keys cannot be grabbed. Tidy, undo and
// pending go to the tidy's worker thread behind whatever the menu or the timer queued there;
// their answer is sent when the work is done, while the GUI thread stays free.
class RemoteControl : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    // `model` and `services` must outlive this object.
    RemoteControl(AppModel& model, AppServices& services, QObject* parent = nullptr);
    ~RemoteControl() override;

    // Claims the program's name on the session bus: false when another instance holds it.
    // Without a usable session bus there is nothing to claim: true, and nothing can call in.
    bool registerInstance();

    // Takes the instance's name on the bus before anything else is built, so a launch that
    // loses never builds a model (whose daily tidy could otherwise run beside ours). False when
    // another instance holds it; registerInstance() then keeps the name taken here.
    static bool claimName();

public Q_SLOTS:
    // The bus methods, named as the bus names them. "on" and "off" switch as the menu does,
    // with fades; "toggle" as the hot key does, without. They answer the new state, or the
    // error RemoteNames::unavailableError with the reason when it would have to switch on where
    // this session cannot show it.
    Q_SCRIPTABLE bool SetCover(const QString& action);
    Q_SCRIPTABLE bool SetSpotlight(const QString& action);
    // Each answers the command line's exit code, standard output and standard error. A
    // `desktop` must be absolute; empty means the folder chosen in the tray menu.
    Q_SCRIPTABLE int Tidy(const QByteArray& desktop, bool dryRun, QByteArray& output,
                          QByteArray& errors);
    Q_SCRIPTABLE int Undo(const QByteArray& desktop, QByteArray& output, QByteArray& errors);
    Q_SCRIPTABLE int Pending(const QByteArray& desktop, QByteArray& output, QByteArray& errors);
    // A second launch: this instance already is the program, so nothing new opens.
    Q_SCRIPTABLE void Activate();

private:
    template <typename Feature> bool switchFeature(Feature& feature, const QString& action);
    int run(TidyCommand::Action action, const QByteArray& desktop);

    AppModel& m_model;
    TidyCommand m_command;
    bool m_registered = false;
};

} // namespace tavlin
