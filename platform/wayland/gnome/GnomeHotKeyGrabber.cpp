#include "platform/wayland/gnome/GnomeHotKeyGrabber.h"

#include "platform/wayland/gnome/GnomeShell.h"

#include <QPointer>

namespace tavlin {

GnomeHotKeyGrabber::GnomeHotKeyGrabber(std::shared_ptr<GnomeShell> shell, QObject* parent)
    : HotKeyGrabber(parent), m_shell(std::move(shell))
{
    connect(m_shell.get(), &GnomeShell::keyPressed, this, &GnomeHotKeyGrabber::pressed);
}

QString GnomeHotKeyGrabber::accelerator(const KeyChord& chord)
{
    QString text;
    if (chord.modifiers & KeyModifier::Control)
        text += QStringLiteral("<Control>");
    if (chord.modifiers & KeyModifier::Alt)
        text += QStringLiteral("<Alt>");
    if (chord.modifiers & KeyModifier::Shift)
        text += QStringLiteral("<Shift>");
    if (chord.modifiers & KeyModifier::Super)
        text += QStringLiteral("<Super>");
    return text + (chord.key == KeyPosition::S ? QStringLiteral("s") : QStringLiteral("d"));
}

HotKeyGrabber::Grant GnomeHotKeyGrabber::grab(quint32 id, const KeyChord& chord,
                                              const QString& description)
{
    Q_UNUSED(description);
    if (m_shell->state() != GnomeShell::State::Ready)
        return Grant::Refused;
    m_shell->call(QStringLiteral("BindKey"), {id, accelerator(chord)},
                  [this, id, alive = QPointer(this)](bool bound) {
                      if (alive)
                          Q_EMIT answered(id, bound);
                  });
    return Grant::Pending;
}

} // namespace tavlin
