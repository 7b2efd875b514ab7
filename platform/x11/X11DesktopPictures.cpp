#include "platform/x11/X11DesktopPictures.h"

#include "platform/x11/FehBackgroundScript.h"
#include "platform/x11/PlasmaWallpaperConfig.h"
#include "platform/x11/X11Connection.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <memory>
#include <vector>

namespace tavlin {

namespace {

// How long one desktop environment's tools may take, together, before they are given up on:
// the caller may be the GUI thread.
constexpr int toolDeadlineMs = 800;

enum class Desktop { Unknown, Gnome, Cinnamon, Mate, Xfce, Plasma };

Desktop desktopNamed(QString name)
{
    name = name.trimmed().toUpper();
    if (name.startsWith(u"X-"))
        name = name.mid(2);
    if (name == u"GNOME" || name == u"GNOME-CLASSIC" || name == u"GNOME-FLASHBACK" ||
        name == u"UNITY" || name == u"BUDGIE" || name == u"PANTHEON")
        return Desktop::Gnome;
    if (name == u"CINNAMON")
        return Desktop::Cinnamon;
    if (name == u"MATE")
        return Desktop::Mate;
    if (name == u"XFCE")
        return Desktop::Xfce;
    if (name == u"KDE")
        return Desktop::Plasma;
    return Desktop::Unknown;
}

// Runs the commands side by side and gives each one's standard output; empty for a command
// that is not installed, fails, or is still running at the deadline (it is killed then).
QList<QByteArray> outputsOf(const QList<QStringList>& commands, const QDeadlineTimer& deadline)
{
    std::vector<std::unique_ptr<QProcess>> processes;
    for (const QStringList& command : commands) {
        auto process = std::make_unique<QProcess>();
        const QString program = QStandardPaths::findExecutable(command.first());
        if (!program.isEmpty()) {
            process->setProgram(program);
            process->setArguments(command.mid(1));
            process->setStandardInputFile(QProcess::nullDevice());
            process->setStandardErrorFile(QProcess::nullDevice());
            process->start(QIODevice::ReadOnly);
        }
        processes.push_back(std::move(process));
    }
    QList<QByteArray> outputs;
    for (const std::unique_ptr<QProcess>& process : processes) {
        if (process->state() != QProcess::NotRunning)
            process->waitForFinished(int(std::max<qint64>(deadline.remainingTime(), 0)));
        const bool succeeded =
            !process->program().isEmpty() && process->state() == QProcess::NotRunning &&
            process->error() == QProcess::UnknownError &&
            process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
        outputs.append(succeeded ? process->readAllStandardOutput() : QByteArray());
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(100);
        }
    }
    return outputs;
}

// gsettings prints GVariant text: 'a string', or "it's" when the string holds a single quote.
QString gvariantString(const QByteArray& output)
{
    const QString text = QString::fromUtf8(output).trimmed();
    if (text.size() < 2 || (text[0] != u'\'' && text[0] != u'"'))
        return {};
    const QChar quote = text[0];
    QString value;
    for (qsizetype i = 1; i < text.size(); ++i) {
        if (text[i] == quote)
            return value;
        if (text[i] != u'\\' || i + 1 == text.size()) {
            value += text[i];
            continue;
        }
        const QChar escaped = text[++i];
        const int hexDigits = escaped == u'u' ? 4 : escaped == u'U' ? 8 : 0;
        if (hexDigits) {
            bool ok = false;
            const char32_t code = text.mid(i + 1, hexDigits).toUInt(&ok, 16);
            if (!ok)
                return {};
            value += QString::fromUcs4(&code, 1);
            i += hexDigits;
        } else if (escaped == u'n') {
            value += u'\n';
        } else if (escaped == u't') {
            value += u'\t';
        } else {
            value += escaped;
        }
    }
    return {}; // unterminated
}

// Settings hold file URIs (percent-encoded) or plain paths; other schemes name no local file.
QString localPath(const QString& setting)
{
    if (setting.startsWith(u"file:"))
        return QUrl(setting).toLocalFile();
    return setting.startsWith(u'/') ? setting : QString();
}

QString gnomeFile()
{
    const QString background = QStringLiteral("org.gnome.desktop.background");
    const QString get = QStringLiteral("get");
    const QString gsettings = QStringLiteral("gsettings");
    const QList<QByteArray> outputs =
        outputsOf({{gsettings, get, QStringLiteral("org.gnome.desktop.interface"),
                    QStringLiteral("color-scheme")},
                   {gsettings, get, background, QStringLiteral("picture-uri")},
                   {gsettings, get, background, QStringLiteral("picture-uri-dark")}},
                  QDeadlineTimer(toolDeadlineMs));
    const bool dark = gvariantString(outputs[0]) == u"prefer-dark";
    // Older releases have no dark picture; an empty one also means the light one shows.
    const QString darkUri = dark ? gvariantString(outputs[2]) : QString();
    return localPath(darkUri.isEmpty() ? gvariantString(outputs[1]) : darkUri);
}

QString gsettingsFile(const QString& schema, const QString& key)
{
    const QList<QByteArray> outputs =
        outputsOf({{QStringLiteral("gsettings"), QStringLiteral("get"), schema, key}},
                  QDeadlineTimer(toolDeadlineMs));
    return localPath(gvariantString(outputs[0]));
}

// A picture the caller can show: a readable regular file in a format Qt decodes. A GNOME
// slideshow (.xml) or a missing file sends the search on to the next source.
bool isShowable(const QString& path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isFile() && info.isReadable() && QImageReader(path).canRead();
}

} // namespace

X11DesktopPictures::X11DesktopPictures(std::shared_ptr<X11Connection> connection,
                                       std::function<QStringList()> plasmaOutputOrder)
    : m_connection(connection), m_plasmaOutputOrder(std::move(plasmaOutputOrder)),
      m_rootBackground(std::move(connection))
{
}

DesktopPicture X11DesktopPictures::pictureFor(const DesktopScreen& screen) const
{
    if (QString file = configuredFile(screen); !file.isEmpty())
        return {file, {}};
    return {{}, m_rootBackground.under(screen.nativeArea)};
}

QString X11DesktopPictures::configuredFile(const DesktopScreen& screen) const
{
    QList<Desktop> tried;
    for (const QString& name :
         qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts)) {
        const Desktop desktop = desktopNamed(name);
        if (desktop == Desktop::Unknown || tried.contains(desktop))
            continue;
        tried.append(desktop);
        QString file;
        switch (desktop) {
        case Desktop::Gnome:
            file = gnomeFile();
            break;
        case Desktop::Cinnamon:
            file = gsettingsFile(QStringLiteral("org.cinnamon.desktop.background"),
                                 QStringLiteral("picture-uri"));
            break;
        case Desktop::Mate:
            file = gsettingsFile(QStringLiteral("org.mate.background"),
                                 QStringLiteral("picture-filename"));
            break;
        case Desktop::Xfce:
            file = xfceFile(screen);
            break;
        case Desktop::Plasma:
            file = plasmaFile(screen);
            break;
        case Desktop::Unknown:
            break;
        }
        if (isShowable(file))
            return file;
    }
    const QString feh = fehFile(screen);
    return isShowable(feh) ? feh : QString();
}

// xfconf keeps one picture per monitor (by output name) and workspace.
QString X11DesktopPictures::xfceFile(const DesktopScreen& screen) const
{
    const QDeadlineTimer deadline(toolDeadlineMs);
    const QString xfconf = QStringLiteral("xfconf-query");
    const QString channel = QStringLiteral("xfce4-desktop");
    const QByteArray listing =
        outputsOf({{xfconf, QStringLiteral("-c"), channel, QStringLiteral("-l")}}, deadline)[0];
    if (listing.isEmpty())
        return {};
    QStringList properties = QString::fromUtf8(listing).split(u'\n', Qt::SkipEmptyParts);
    for (QString& property : properties)
        property = property.trimmed();

    const QList<quint32> desktop =
        m_connection ? m_connection->property32(m_connection->root(),
                                                X11Connection::NetCurrentDesktop, XCB_ATOM_CARDINAL)
                     : QList<quint32>();
    const QString workspace = QString::number(desktop.value(0, 0));
    const QString pattern = QStringLiteral("/backdrop/screen0/monitor%1/workspace%2/last-image");
    for (const QString& property : {pattern.arg(screen.name, workspace),
                                    pattern.arg(screen.name, u"0"), pattern.arg(u"0", u"0")}) {
        if (!properties.contains(property))
            continue;
        QByteArray value = outputsOf(
            {{xfconf, QStringLiteral("-c"), channel, QStringLiteral("-p"), property}}, deadline)[0];
        if (value.endsWith('\n'))
            value.chop(1);
        return localPath(QString::fromUtf8(value));
    }
    return {};
}

QString X11DesktopPictures::plasmaFile(const DesktopScreen& screen) const
{
    const PlasmaWallpaperConfig config(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QStringLiteral("/plasma-org.kde.plasma.desktop-appletsrc"));
    // Plasma numbers its screens by the output order the user chose, where it has one.
    const QStringList order = m_plasmaOutputOrder ? m_plasmaOutputOrder() : QStringList();
    const qsizetype number = screen.name.isEmpty() ? -1 : order.indexOf(screen.name);
    return config.imageFor(number >= 0 ? int(number) : screen.index, screen.nativeArea.size());
}

// feh gives each Xinerama screen its own file, in the screens' left-to-right order.
QString X11DesktopPictures::fehFile(const DesktopScreen& screen) const
{
    const FehBackgroundScript script(QDir::homePath() + QStringLiteral("/.fehbg"));
    const QStringList files = script.files();
    if (script.spansScreens() || files.isEmpty())
        return {};
    if (files.size() == 1)
        return files.first();
    if (files.size() != screen.count)
        return {}; // how feh reuses or drops files is not certain; the root pixmap is
    return files.value(screen.leftToRight);
}

} // namespace tavlin
