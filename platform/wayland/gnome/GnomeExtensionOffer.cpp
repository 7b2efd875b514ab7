#include "platform/wayland/gnome/GnomeExtensionOffer.h"

#include "platform/wayland/gnome/GnomeShell.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QTimer>

namespace tavlin {

GnomeExtensionOffer::GnomeExtensionOffer(std::shared_ptr<GnomeShell> shell, QObject* parent)
    : QObject(parent), m_shell(std::move(shell))
{
    if (m_shell->state() == GnomeShell::State::Disabled)
        QTimer::singleShot(0, this, &GnomeExtensionOffer::ask);
}

void GnomeExtensionOffer::ask()
{
    auto* box =
        new QMessageBox(QMessageBox::Question, QCoreApplication::translate("tavlin", "Tavlin"),
                        QCoreApplication::translate(
                            "tavlin", "Tavlin needs its GNOME Shell extension to hide the desktop "
                                      "icons and to spotlight windows. Switch it on now?"),
                        QMessageBox::Yes | QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this](int answer) {
        if (answer == QMessageBox::Yes && !m_shell->enableExtension())
            qWarning("tavlin: GNOME Shell did not switch the extension on");
    });
    box->open();
}

} // namespace tavlin
