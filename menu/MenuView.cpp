#include "menu/MenuView.h"

#include "backdrop/BackdropCatalog.h"
#include "menu/HotKeyChords.h"
#include "menu/MenuTitles.h"
#include "menu/ThumbnailMenuStyle.h"

#include <QActionGroup>
#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <array>

namespace tavlin {

namespace {

// The row's icon: a 16x16 copy of the application's own, so the shared icon is left as it is.
QIcon appIcon(const RunningApp& app)
{
    return app.icon.isNull() ? QIcon() : QIcon(app.icon.pixmap(QSize(16, 16)));
}

// The key shown at the item's right edge. Qt matches an action's shortcut only through the
// windows it was added to, and a tray menu's actions are in none: the global grab does the work.
// An empty sequence shows none.
void showShortcut(QAction* action, const QKeySequence& keys)
{
    action->setShortcut(keys);
    action->setShortcutVisibleInContextMenu(true);
}

QAction* addTextLine(QMenu* menu)
{
    QAction* line = menu->addAction(QString());
    line->setEnabled(false);
    return line;
}

// Shown at 32x18 whatever the picture's own shape, sharp on the densest screen.
QIcon thumbnailIcon(const QImage& thumbnail)
{
    const qreal ratio = qApp->devicePixelRatio();
    QPixmap pixmap =
        QPixmap::fromImage(thumbnail.scaled(BackdropImages::thumbnailDisplaySize * ratio,
                                            Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    return QIcon(pixmap);
}

template <typename Value> void checkOption(QActionGroup* group, const Value& current)
{
    // No option is checked when the value is none of theirs.
    for (QAction* option : group->actions())
        option->setChecked(qvariant_cast<Value>(option->data()) == current);
}

} // namespace

MenuView::MenuView(AppModel& model, QObject* parent)
    : QObject(parent), m_model(model), m_menu(std::make_unique<QMenu>())
{
    QMenu* menu = m_menu.get();
    // Each opening starts with nothing selected, wherever the keyboard left off last time.
    connect(menu, &QMenu::aboutToShow, menu, [menu] { menu->setActiveAction(nullptr); });
    addHeader(QStringLiteral("Recording"));
    addFeature(addToggle(menu, QStringLiteral("Hide Desktop Icons"), model.cover(),
                         &DesktopCover::isOn, &DesktopCover::setOn, &DesktopCover::isOnChanged),
               model.coverHotKey(), HotKeyChords::cover);
    addFeature(addToggle(menu, QStringLiteral("Spotlight Mode"), model.spotlight(),
                         &Spotlight::isOn, &Spotlight::setOn, &Spotlight::isOnChanged),
               model.spotlightHotKey(), HotKeyChords::spotlight);
    // Whether a feature can work may change with the session; the menu asks as it opens.
    connect(menu, &QMenu::aboutToShow, this, &MenuView::showFeatures);
    connect(&model.cover(), &DesktopCover::isOnChanged, this, &MenuView::showFeatures);
    connect(&model.spotlight(), &Spotlight::isOnChanged, this, &MenuView::showFeatures);
    connect(&model.spotlight(), &Spotlight::coversMenuBarChanged, this, &MenuView::showFeatures);
    connect(&model.hotKeys(), &HotKeys::activeChanged, this, &MenuView::showFeatures);
    showFeatures();
    addSpotlightApps(menu->addMenu(QStringLiteral("Spotlight Apps")));
    addBackground(menu->addMenu(QStringLiteral("Background")));

    addHeader(QStringLiteral("Tidy"));
    addTidy();
    showHeaders();

    menu->addSeparator();
    addToggle(menu, QStringLiteral("Launch at Login"), model, &AppModel::launchAtLogin,
              &AppModel::setLaunchAtLogin, &AppModel::launchAtLoginChanged);
    QAction* quit = menu->addAction(QStringLiteral("Quit Tavlin"));
    showShortcut(quit, QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(quit, &QAction::triggered, this, [] { QCoreApplication::quit(); });
}

MenuView::~MenuView() = default;

void MenuView::setPath(MenuPath path)
{
    m_path = path;
    showHeaders();
    showFeatures();
    showDoNotDisturb();
    rebuildAppRows();
    showPictureTitles();
    showStatus();
}

void MenuView::addHeader(const QString& title)
{
    QAction* section = m_menu->addSection(title);
    QAction* line = addTextLine(m_menu.get());
    line->setText(title);
    m_headers.append(Header{section, line});
}

void MenuView::showHeaders()
{
    // A host shows a separator for a section, which has no place above the first header.
    for (qsizetype i = 0; i < m_headers.size(); ++i) {
        m_headers[i].section->setVisible(m_path == MenuPath::Drawn || i > 0);
        m_headers[i].line->setVisible(m_path == MenuPath::Exported);
    }
}

void MenuView::addFeature(QAction* toggle, quint32 hotKey, const KeyChord& chord)
{
    m_features.append(Feature{toggle, addTextLine(m_menu.get()), hotKey, chord, toggle->text()});
}

void MenuView::showFeatures()
{
    const std::array<std::pair<QString, bool>, 2> states{{
        {m_model.cover().unavailableReason(), m_model.cover().isOn()},
        {m_model.spotlight().unavailableReason(), m_model.spotlight().isOn()},
    }};
    for (qsizetype i = 0; i < m_features.size(); ++i) {
        const Feature& feature = m_features.at(i);
        const auto& [reason, on] = states.at(std::size_t(i));
        feature.toggle->setEnabled(MenuTitles::featureEnabled(reason, on));
        feature.reason->setText(MenuTitles::verbatim(reason, m_path));
        feature.reason->setVisible(!reason.isEmpty());
        // Only a chord that is really bound is worth showing. A drawn menu shows the text after
        // a tab instead of Qt's names for the keys; a tray host gets the keys and names them.
        const bool bound = m_model.hotKeys().isActive(feature.hotKey);
        const bool drawn = m_path == MenuPath::Drawn;
        feature.toggle->setText(bound && drawn
                                    ? feature.title + u'\t' + HotKeyChords::text(feature.chord)
                                    : feature.title);
        showShortcut(feature.toggle,
                     bound && !drawn ? HotKeyChords::shortcut(feature.chord) : QKeySequence());
    }
}

template <typename Owner>
QAction* MenuView::addToggle(QMenu* menu, const QString& title, Owner& owner,
                             bool (Owner::*read)() const, void (Owner::*write)(bool),
                             void (Owner::*changed)())
{
    QAction* toggle = menu->addAction(title);
    toggle->setCheckable(true);
    auto show = [toggle, &owner, read] { toggle->setChecked((owner.*read)()); };
    show();
    connect(&owner, changed, toggle, show);
    // The setter may refuse (launch at login reverts), so the check is taken from the owner again.
    connect(toggle, &QAction::triggered, toggle, [&owner, read, write, show] {
        (owner.*write)(!(owner.*read)());
        show();
    });
    return toggle;
}

template <typename Value, typename Write>
QAction* MenuView::addOption(QMenu* menu, QActionGroup* group, const QString& title,
                             const Value& value, Write write)
{
    QAction* option = menu->addAction(title);
    option->setCheckable(true);
    option->setData(QVariant::fromValue(value));
    group->addAction(option);
    connect(option, &QAction::triggered, this, [write, value] { write(value); });
    return option;
}

void MenuView::addSpotlightApps(QMenu* submenu)
{
    Spotlight& spotlight = m_model.spotlight();
    m_appsMenu = submenu;
    m_appsHeader = addTextLine(submenu);
    submenu->addSeparator();
    m_appsEnd = submenu->addSeparator();
    addToggle(submenu, QStringLiteral("Also Cover Menu Bar"), spotlight, &Spotlight::coversMenuBar,
              &Spotlight::setCoversMenuBar, &Spotlight::coversMenuBarChanged);
    addToggle(submenu, QStringLiteral("Remind Me About Do Not Disturb"), spotlight,
              &Spotlight::remindsAboutNotifications, &Spotlight::setRemindsAboutNotifications,
              &Spotlight::remindsAboutNotificationsChanged);
    m_doNotDisturb = addToggle(submenu, QStringLiteral("Turn On Do Not Disturb"), spotlight,
                               &Spotlight::turnsOnDoNotDisturb, &Spotlight::setTurnsOnDoNotDisturb,
                               &Spotlight::turnsOnDoNotDisturbChanged);
    m_doNotDisturbReason = addTextLine(submenu);
    // The notification service may start, stop or change at any time.
    connect(submenu, &QMenu::aboutToShow, this, &MenuView::showDoNotDisturb);
    connect(&spotlight, &Spotlight::turnsOnDoNotDisturbChanged, this, &MenuView::showDoNotDisturb);
    showDoNotDisturb();

    connect(&spotlight, &Spotlight::pinnedAppsChanged, this, [this] {
        showSpotlightAppsHeader();
        rebuildAppRows();
    });
    connect(&spotlight, &Spotlight::runningAppsChanged, this, &MenuView::rebuildAppRows);
    showSpotlightAppsHeader();
    rebuildAppRows();
}

void MenuView::showDoNotDisturb()
{
    const QString reason = m_model.spotlight().doNotDisturbUnavailableReason();
    m_doNotDisturb->setEnabled(
        MenuTitles::featureEnabled(reason, m_model.spotlight().turnsOnDoNotDisturb()));
    m_doNotDisturbReason->setText(MenuTitles::verbatim(reason, m_path));
    m_doNotDisturbReason->setVisible(!reason.isEmpty());
}

void MenuView::showSpotlightAppsHeader()
{
    m_appsHeader->setText(MenuTitles::spotlightAppsHeader(m_model.spotlight().pinnedApps()));
}

void MenuView::rebuildAppRows()
{
    // A row may be the one whose choice led here, so it is deleted only once that is over.
    for (QAction* row : std::as_const(m_appRows)) {
        m_appsMenu->removeAction(row);
        row->deleteLater();
    }
    m_appRows.clear();

    Spotlight& spotlight = m_model.spotlight();
    for (const RunningApp& app : spotlight.runningApps()) {
        auto* row = new QAction(
            appIcon(app), MenuTitles::verbatim(MenuTitles::appName(app.name), m_path), m_appsMenu);
        row->setCheckable(true);
        row->setChecked(spotlight.isPinned(app));
        connect(row, &QAction::triggered, row, [row, &spotlight, app] {
            spotlight.setPinned(app, !spotlight.isPinned(app));
            row->setChecked(spotlight.isPinned(app));
        });
        m_appsMenu->insertAction(m_appsEnd, row);
        m_appRows.append(row);
    }
}

void MenuView::addBackground(QMenu* submenu)
{
    m_thumbnailStyle =
        std::make_unique<ThumbnailMenuStyle>(BackdropImages::thumbnailDisplaySize.width());
    submenu->setStyle(m_thumbnailStyle.get());
    m_backdrops = new QActionGroup(submenu);
    auto choose = [this](const Backdrop& backdrop) {
        m_model.setBackdrop(backdrop);
        checkBackdrop();
    };
    addOption(submenu, m_backdrops, QStringLiteral("Match Wallpaper"), Backdrop::wallpaper(),
              choose);
    addOption(submenu, m_backdrops, QStringLiteral("Soft Gradient"), Backdrop::gradient(), choose);
    submenu->addSeparator();
    for (const BackdropPicture& picture : backdropCatalog())
        m_pictures.append(
            addOption(submenu, m_backdrops, QString(), Backdrop::image(picture.file), choose));
    showPictureTitles();
    connect(&m_model, &AppModel::backdropChanged, this, &MenuView::checkBackdrop);
    // Decoding 24 pictures waits until someone looks at them.
    connect(submenu, &QMenu::aboutToShow, this, &MenuView::loadThumbnails);
    checkBackdrop();
}

void MenuView::showPictureTitles()
{
    const auto& catalog = backdropCatalog();
    for (std::size_t i = 0; i < catalog.size() && i < std::size_t(m_pictures.size()); ++i)
        m_pictures.at(qsizetype(i))->setText(MenuTitles::verbatim(catalog.at(i).title, m_path));
}

void MenuView::checkBackdrop()
{
    checkOption(m_backdrops, m_model.backdrop());
}

void MenuView::loadThumbnails()
{
    // Pictures decoded once stay cached; one that could not be had is tried again next time.
    for (QAction* option : m_backdrops->actions()) {
        const Backdrop backdrop = qvariant_cast<Backdrop>(option->data());
        if (backdrop.kind() != Backdrop::Kind::Image || !option->icon().isNull())
            continue;
        const QImage thumbnail = m_model.images().thumbnail(backdrop.file());
        if (!thumbnail.isNull())
            option->setIcon(thumbnailIcon(thumbnail));
    }
}

void MenuView::addTidy()
{
    DesktopTidy& tidy = m_model.tidy();
    m_tidyNow = m_menu->addAction(QString());
    connect(m_tidyNow, &QAction::triggered, &tidy, &DesktopTidy::tidyNow);
    connect(&tidy, &DesktopTidy::pendingCountChanged, this, &MenuView::showPendingCount);
    showPendingCount();

    m_undo = m_menu->addAction(QString());
    connect(m_undo, &QAction::triggered, &tidy, &DesktopTidy::undoLastTidy);
    connect(&tidy, &DesktopTidy::undoCountChanged, this, &MenuView::showUndoCount);
    showUndoCount();

    addOlderThan(m_menu->addMenu(QStringLiteral("File Items Older Than")));
    addToggle(m_menu.get(), QStringLiteral("Auto-Tidy Daily"), tidy, &DesktopTidy::autoTidy,
              &DesktopTidy::setAutoTidy, &DesktopTidy::autoTidyChanged);
    QAction* showArchive = m_menu->addAction(QStringLiteral("Show Archive in File Manager"));
    connect(showArchive, &QAction::triggered, &tidy, &DesktopTidy::showArchive);

    m_status = addTextLine(m_menu.get());
    connect(&tidy, &DesktopTidy::statusChanged, this, &MenuView::showStatus);
    showStatus();
}

void MenuView::addOlderThan(QMenu* submenu)
{
    m_olderThan = new QActionGroup(submenu);
    auto choose = [this](qint64 days) {
        m_model.tidy().setOlderThanDays(days);
        checkOlderThan();
    };
    for (const MenuTitles::OlderThanOption& option : MenuTitles::olderThanOptions())
        addOption(submenu, m_olderThan, option.title, option.days, choose);
    connect(&m_model.tidy(), &DesktopTidy::olderThanDaysChanged, this, &MenuView::checkOlderThan);
    checkOlderThan();
}

void MenuView::checkOlderThan()
{
    checkOption(m_olderThan, m_model.tidy().olderThanDays());
}

void MenuView::showPendingCount()
{
    const std::optional<int> count = m_model.tidy().pendingCount();
    m_tidyNow->setText(MenuTitles::tidyTitle(count));
    m_tidyNow->setEnabled(MenuTitles::tidyEnabled(count));
}

void MenuView::showUndoCount()
{
    const int count = m_model.tidy().undoCount();
    m_undo->setText(MenuTitles::undoTitle(count));
    m_undo->setEnabled(MenuTitles::undoEnabled(count));
}

void MenuView::showStatus()
{
    const QString status = m_model.tidy().status();
    m_status->setText(MenuTitles::verbatim(status, m_path));
    m_status->setVisible(!status.isNull());
}

} // namespace tavlin
