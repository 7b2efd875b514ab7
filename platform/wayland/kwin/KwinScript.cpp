#include "platform/wayland/kwin/KwinScript.h"

#include <QDBusMessage>
#include <QDir>
#include <QStandardPaths>

namespace tavlin {

namespace {

const QString kwinService = QStringLiteral("org.kde.KWin");
const QString scriptingPath = QStringLiteral("/Scripting");
const QString scriptingInterface = QStringLiteral("org.kde.kwin.Scripting");
const QString scriptInterface = QStringLiteral("org.kde.kwin.Script");
// KWin answers at once; a compositor that does not must not hang the program's start.
constexpr int callTimeoutMs = 3000;

QDBusMessage call(const QDBusConnection& bus, const QString& path, const QString& interface,
                  const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kwinService, path, interface, method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, callTimeoutMs);
}

QString runtimeFolder()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

} // namespace

KwinScript::KwinScript(const QDBusConnection& bus, QString name)
    : m_bus(bus), m_name(std::move(name)),
      m_file(runtimeFolder() + QStringLiteral("/tavlin-kwin-XXXXXX.js"))
{
}

std::unique_ptr<KwinScript> KwinScript::load(const QDBusConnection& bus, const QByteArray& source,
                                             const QString& name, QString* error)
{
    std::unique_ptr<KwinScript> script(new KwinScript(bus, name));
    if (!script->start(source, error))
        return nullptr;
    return script;
}

bool KwinScript::start(const QByteArray& source, QString* error)
{
    if (!m_file.open() || m_file.write(source) != source.size() || !m_file.flush()) {
        *error = QStringLiteral("cannot write the KWin script: %1").arg(m_file.errorString());
        return false;
    }
    // A script of that name left by an instance that crashed would keep the name taken.
    call(m_bus, scriptingPath, scriptingInterface, QStringLiteral("unloadScript"), {m_name});
    const QDBusMessage loaded = call(m_bus, scriptingPath, scriptingInterface,
                                     QStringLiteral("loadScript"), {m_file.fileName(), m_name});
    if (loaded.type() != QDBusMessage::ReplyMessage || loaded.arguments().isEmpty()) {
        *error = loaded.errorMessage();
        return false;
    }
    const int id = loaded.arguments().constFirst().toInt();
    if (id < 0) {
        *error = QStringLiteral("KWin refused the script");
        return false;
    }
    m_loaded = true;
    // Plasma 6 puts the script's object under /Scripting, KWin 5 at the root.
    const QString id6 = QStringLiteral("/Scripting/Script%1").arg(id);
    const QString id5 = QStringLiteral("/%1").arg(id);
    for (const QString& path : {id6, id5}) {
        if (call(m_bus, path, scriptInterface, QStringLiteral("run")).type() ==
            QDBusMessage::ReplyMessage)
            return true;
    }
    *error = QStringLiteral("KWin loaded the script but did not start it");
    return false;
}

KwinScript::~KwinScript()
{
    if (m_loaded)
        call(m_bus, scriptingPath, scriptingInterface, QStringLiteral("unloadScript"), {m_name});
}

} // namespace tavlin
