// Each screen's desktop picture on a real X server with two monitors: from the desktop
// environments' settings (with stand-ins for their tools), a feh script, the root pixmap.
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11DesktopPictures.h"
#include "tests/session/PixelChecks.h"
#include "tests/x11/X11TestMain.h"

#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

using namespace tavlin;

namespace {

enum class Root { Colours, Missing, Stale };

// Program name → script.
using Tools = QMap<QString, QByteArray>;

// Red on the left monitor, blue on the right, as feh sets it.
const QList<QColor> rootColours{Qt::red, Qt::blue};

// Within this the answer came without waiting for any tool's deadline.
constexpr qint64 quickMs = 500;

QImage solid(const QColor& color)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// What the desktop is set up with, and the picture each screen is found to have.
struct Case
{
    QString desktop{}; // XDG_CURRENT_DESKTOP
    Root root = Root::Colours;
    QByteArray fehbg{}; // ~/.fehbg; none when empty
    QByteArray appletsrc{};
    Tools tools{}; // stand-ins for the desktop's tools, the only programs on PATH
    // Per screen, left to right: a file name in the pictures folder, a colour of the root
    // background, or empty for nothing.
    QStringList expected{};
    // Plasma's output order on Wayland, as screens left to right (-1: an output not here); none
    // on X11.
    QList<int> outputOrder{};
    qint64 maxMs = quickMs;
};

// A script that reports the arguments it was started with as if it were a settings tool.
QByteArray tool(const QByteArray& caseBody)
{
    return "#!/bin/sh\ncase \"$*\" in\n" + caseBody + "\n*) exit 1;;\nesac\n";
}

} // namespace

class TestDesktopPictures : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void pictureFor_data();
    void pictureFor();

private:
    QByteArray withPaths(QByteArray text) const;
    bool setRoot(Root root);

    std::unique_ptr<X11DesktopPictures> m_pictures;
    QString m_folder;
    QByteArray m_path;
};

void TestDesktopPictures::initTestCase()
{
    QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::screens().size(), 2, 5000);
    m_pictures = std::make_unique<X11DesktopPictures>(X11Connection::create());
    m_folder = session().homePath() + QStringLiteral("/pictures");
    QVERIFY(QDir().mkpath(m_folder));
    QVERIFY(solid(Qt::green).save(m_folder + QStringLiteral("/green.png")));
    QVERIFY(solid(Qt::yellow).save(m_folder + QStringLiteral("/my yellow.png")));
    QVERIFY(session().writeHomeFile(QStringLiteral("pictures/slideshow.xml"), "<background/>\n"));
    m_path = qgetenv("PATH");
}

void TestDesktopPictures::cleanup()
{
    qputenv("PATH", m_path);
    qunsetenv("XDG_CURRENT_DESKTOP");
}

// {dir} is the pictures folder, {url} the same as a file URL.
QByteArray TestDesktopPictures::withPaths(QByteArray text) const
{
    const QByteArray dir = QFile::encodeName(m_folder);
    return text.replace("{url}", QUrl::fromLocalFile(m_folder).toEncoded()).replace("{dir}", dir);
}

bool TestDesktopPictures::setRoot(Root root)
{
    const QString xprop = QStringLiteral("xprop");
    const QStringList remove{QStringLiteral("-root"), QStringLiteral("-remove")};
    switch (root) {
    case Root::Colours:
        return session().setRootBackground({solid(rootColours[0]), solid(rootColours[1])});
    case Root::Missing:
        return session().run(xprop, remove + QStringList{QStringLiteral("_XROOTPMAP_ID")}) &&
               session().run(xprop, remove + QStringList{QStringLiteral("ESETROOT_PMAP_ID")});
    case Root::Stale:
        // An id no client owns, as left behind when a setter's pixmap has been freed.
        return session().run(xprop, remove + QStringList{QStringLiteral("ESETROOT_PMAP_ID")}) &&
               session().run(xprop, {QStringLiteral("-root"), QStringLiteral("-f"),
                                     QStringLiteral("_XROOTPMAP_ID"), QStringLiteral("32x"),
                                     QStringLiteral("-set"), QStringLiteral("_XROOTPMAP_ID"),
                                     QStringLiteral("0x1fffff")});
    }
    return false;
}

void TestDesktopPictures::pictureFor_data()
{
    QTest::addColumn<Case>("c");
    const QStringList rootPicture{QStringLiteral("red"), QStringLiteral("blue")};
    const QStringList green{QStringLiteral("green.png"), QStringLiteral("green.png")};
    const QStringList greenYellow{QStringLiteral("green.png"), QStringLiteral("my yellow.png")};
    const QStringList yellowGreen{QStringLiteral("my yellow.png"), QStringLiteral("green.png")};
    const QString kde = QStringLiteral("KDE");
    const QString gnome = QStringLiteral("GNOME");
    const QByteArray plasma = "[Containments][1]\n"
                              "lastScreen=1\nplugin=org.kde.plasma.folder\n"
                              "wallpaperplugin=org.kde.image\n\n"
                              "[Containments][1][Wallpaper][org.kde.image][General]\n"
                              "Image={url}/my%20yellow.png\n\n"
                              "[Containments][2]\nlastScreen=0\nplugin=org.kde.panel\n\n"
                              "[Containments][7]\nlastScreen=0\n"
                              "wallpaperplugin=org.kde.image\n\n"
                              "[Containments][7][Wallpaper][org.kde.image][General]\n"
                              "Image={dir}/green.png\n";
    const QByteArray plasmaMissing = QByteArray(plasma).replace("green.png", "gone.png");

    QTest::newRow("root pixmap per monitor") << Case{.expected = rootPicture};
    QTest::newRow("feh script with a file per screen")
        << Case{.fehbg = "feh --bg-scale '{dir}/my yellow.png' '{dir}/green.png'\n",
                .expected = yellowGreen};
    QTest::newRow("feh script naming a missing file")
        << Case{.fehbg = "feh --bg-fill '{dir}/gone.png'\n", .expected = rootPicture};
    QTest::newRow("XFCE picture per monitor name")
        << Case{.desktop = QStringLiteral("XFCE"),
                .tools = {{QStringLiteral("xfconf-query"),
                           tool("'-c xfce4-desktop -l') printf '%s\\n' "
                                "/backdrop/screen0/monitor0/workspace0/last-image "
                                "/backdrop/screen0/monitorA/workspace0/last-image "
                                "/backdrop/screen0/monitorB/workspace0/last-image;;\n"
                                "*monitor0/workspace0*) echo '{dir}/gone.png';;\n"
                                "*monitorA/workspace0*) echo '{dir}/green.png';;\n"
                                "*monitorB/workspace0*) echo '{dir}/my yellow.png';;")}},
                .expected = greenYellow};
    QTest::newRow("KDE containment per screen")
        << Case{.desktop = kde, .appletsrc = plasma, .expected = greenYellow};
    QTest::newRow("KDE picture missing")
        << Case{.desktop = kde,
                .appletsrc = plasmaMissing,
                .expected = {QStringLiteral("red"), QStringLiteral("my yellow.png")}};
    QTest::newRow("KDE on Wayland numbers screens by output order") << Case{.desktop = kde,
                                                                            .root = Root::Missing,
                                                                            .appletsrc = plasma,
                                                                            .expected = yellowGreen,
                                                                            .outputOrder = {1, 0}};
    QTest::newRow("KDE on Wayland, output order of other outputs") << Case{.desktop = kde,
                                                                           .root = Root::Missing,
                                                                           .appletsrc = plasma,
                                                                           .expected = greenYellow,
                                                                           .outputOrder = {-1}};
    QTest::newRow("KDE on Wayland, picture missing")
        << Case{.desktop = kde,
                .root = Root::Missing,
                .appletsrc = plasmaMissing,
                .expected = {QStringLiteral("my yellow.png"), QString()},
                .outputOrder = {1, 0}};
    QTest::newRow("GNOME dark picture, percent-encoded")
        << Case{.desktop = QStringLiteral("ubuntu:GNOME"),
                .tools = {{QStringLiteral("gsettings"),
                           tool("*color-scheme) echo \"'prefer-dark'\";;\n"
                                "*picture-uri) echo \"'{url}/green.png'\";;\n"
                                "*picture-uri-dark) echo \"'{url}/my%20yellow.png'\";;")}},
                .expected = {QStringLiteral("my yellow.png"), QStringLiteral("my yellow.png")}};
    QTest::newRow("GNOME slideshow falls through to feh")
        << Case{.desktop = gnome,
                .fehbg = "#!/bin/sh\nfeh --no-fehbg --bg-fill '{dir}/green.png' \n",
                .tools = {{QStringLiteral("gsettings"),
                           tool("*picture-uri) echo \"'{url}/slideshow.xml'\";;")}},
                .expected = green};
    QTest::newRow("hanging tool given up")
        << Case{.desktop = gnome,
                .tools = {{QStringLiteral("gsettings"), "#!/bin/sh\nexec /bin/sleep 30\n"}},
                .expected = rootPicture,
                .maxMs = 1500};
    QTest::newRow("stale root pixmap")
        << Case{.root = Root::Stale, .expected = {QString(), QString()}};
    QTest::newRow("no root pixmap")
        << Case{.root = Root::Missing, .expected = {QString(), QString()}};
}

void TestDesktopPictures::pictureFor()
{
    QFETCH(Case, c);
    const auto& [desktop, root, fehbg, appletsrc, tools, expected, outputOrder, maxMs] = c;
    const QString home = session().homePath();
    const QString bin = home + QStringLiteral("/bin/");
    QFile::remove(home + QStringLiteral("/.fehbg"));
    QFile::remove(home + QStringLiteral("/.config/plasma-org.kde.plasma.desktop-appletsrc"));
    QVERIFY(QDir(bin).removeRecursively());
    if (!fehbg.isEmpty())
        QVERIFY(session().writeHomeFile(QStringLiteral(".fehbg"), withPaths(fehbg)));
    if (!appletsrc.isEmpty())
        QVERIFY(session().writeHomeFile(
            QStringLiteral(".config/plasma-org.kde.plasma.desktop-appletsrc"),
            withPaths(appletsrc)));
    for (auto it = tools.cbegin(); it != tools.cend(); ++it) {
        QVERIFY(session().writeHomeFile(QStringLiteral("bin/") + it.key(), withPaths(it.value())));
        QVERIFY(QFile::setPermissions(bin + it.key(), QFile::ReadOwner | QFile::ExeOwner));
    }
    QVERIFY2(setRoot(root), qPrintable(session().errorString()));

    qputenv("PATH", QFile::encodeName(bin));
    if (!desktop.isEmpty())
        qputenv("XDG_CURRENT_DESKTOP", desktop.toUtf8());
    const QList<QScreen*> screens = TestSession::screensLeftToRight();
    QCOMPARE(screens.size(), expected.size());
    QStringList order;
    for (const int screen : std::as_const(outputOrder))
        order.append(screen < 0 ? QStringLiteral("gone") : screens.value(screen)->name());
    // On Wayland only the settings are read, in the output order the compositor announces.
    const X11DesktopPictures waylandPictures(nullptr, [order] { return order; });
    const X11DesktopPictures& pictures = outputOrder.isEmpty() ? *m_pictures : waylandPictures;
    for (qsizetype i = 0; i < screens.size(); ++i) {
        QElapsedTimer timer;
        timer.start();
        const DesktopPicture picture = pictures.pictureFor(DesktopScreen::of(*screens[i]));
        QCOMPARE_LT(timer.elapsed(), maxMs);

        const QString& want = expected[i];
        if (want.endsWith(u".png")) {
            QCOMPARE(picture.file, m_folder + u'/' + want);
            QVERIFY(picture.image.isNull());
            continue;
        }
        QCOMPARE(picture.file, QString());
        if (want.isEmpty()) {
            QVERIFY(picture.image.isNull());
            continue;
        }
        QCOMPARE(picture.image.size(), screens[i]->geometry().size());
        const QColor colour = QColor::fromString(want);
        QVERIFY2(pixels::isUniform(picture.image, picture.image.rect(), colour),
                 pixels::describe(picture.image, picture.image.rect(), colour).constData());
    }
}

TAVLIN_X11_TEST_MAIN(TestDesktopPictures, {.twoMonitors = true})

#include "tst_desktoppictures.moc"
