#pragma once

#include "app/AppModel.h"
#include "app/TrayPath.h"
#include "platform/KeyChord.h"

#include <QList>
#include <QObject>
#include <memory>

class QAction;
class QActionGroup;
class QMenu;
class QStyle;

namespace tavlin {

// The tray's menu: every item shows a property of the model or one of its features, writes
// through that owner's setter, or calls one of its actions. Items follow their properties while
// the menu is open; nothing here holds state of its own.
class MenuView : public QObject
{
    Q_OBJECT

public:
    // `model` must outlive the view.
    explicit MenuView(AppModel& model, QObject* parent = nullptr);
    ~MenuView() override;

    QMenu* menu() const { return m_menu.get(); }

    // Who draws the menu: a tray host draws no section titles and reads "_" as a mnemonic, so
    // the menu then carries its headers as lines of their own and escapes its texts for it.
    void setPath(MenuPath path);

private:
    struct Header
    {
        QAction* section; // a separator with the title, as a drawn menu shows it
        QAction* line;    // the title as a line of its own, for a tray host
    };

    struct Feature
    {
        QAction* toggle;
        QAction* reason; // the line under it that says why it cannot work here
        quint32 hotKey;
        KeyChord chord;
        QString title;
    };

    void addHeader(const QString& title);
    void addFeature(QAction* toggle, quint32 hotKey, const KeyChord& chord);
    void showHeaders();
    void showFeatures();
    void addSpotlightApps(QMenu* submenu);
    void addBackground(QMenu* submenu);
    void addTidy();
    void addOlderThan(QMenu* submenu);

    template <typename Owner>
    QAction* addToggle(QMenu* menu, const QString& title, Owner& owner, bool (Owner::*read)() const,
                       void (Owner::*write)(bool), void (Owner::*changed)());
    template <typename Value, typename Write>
    QAction* addOption(QMenu* menu, QActionGroup* group, const QString& title, const Value& value,
                       Write write);

    void showDoNotDisturb();
    void showSpotlightAppsHeader();
    void rebuildAppRows();
    void checkBackdrop();
    void loadThumbnails();
    void checkOlderThan();
    void showPendingCount();
    void showUndoCount();
    void showStatus();
    void showPictureTitles();

    AppModel& m_model;
    MenuPath m_path = MenuPath::Drawn;
    QList<Header> m_headers;
    QList<Feature> m_features;                // cover, then spotlight mode
    QList<QAction*> m_pictures;               // in catalogue order
    std::unique_ptr<QStyle> m_thumbnailStyle; // outlives the menu that uses it
    std::unique_ptr<QMenu> m_menu;
    QMenu* m_appsMenu = nullptr;
    QAction* m_appsHeader = nullptr;
    QAction* m_appsEnd = nullptr; // the separator below the application rows
    QList<QAction*> m_appRows;
    QAction* m_doNotDisturb = nullptr;
    QAction* m_doNotDisturbReason = nullptr; // why the service cannot be switched
    QActionGroup* m_backdrops = nullptr;
    QActionGroup* m_olderThan = nullptr;
    QAction* m_tidyNow = nullptr;
    QAction* m_undo = nullptr;
    QAction* m_status = nullptr;
};

} // namespace tavlin
