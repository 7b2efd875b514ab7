#pragma once

#include "platform/linux/JsonSettingsStore.h"
#include "platform/linux/MimeContentTypes.h"
#include "platform/linux/PosixFileSystem.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FaultyFileSystem.h"
#include "tests/fakes/TestTree.h"
#include "tidy/MoveLog.h"
#include "tidy/TidyServices.h"

#include <QByteArrayList>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The tidy's world in a test: a real Desktop folder in a temporary directory, the real file
// system (with refusals on demand), a real settings file beside the Desktop, the real content
// types, and a clock that stands in the middle of January 2040, so that every item a test makes
// today counts as old unless the test says otherwise.
namespace tavlin {

class TestDesktop
{
public:
    static constexpr double january15 = 2210241600.0;  // 2040-01-15 12:00 UTC
    static constexpr double january20 = 2210673600.0;  // 2040-01-20 12:00 UTC
    static constexpr double february15 = 2212920000.0; // 2040-02-15 12:00 UTC
    static constexpr double day = 86400.0;
    static inline const QByteArray thisMonth = "Tavlin Archive/2040-01/"; // the clock's month

    TestDesktop() { TestTree::makeFolder(m_desktop); }
    // QTemporaryDir cannot remove names that are not valid UTF-8.
    ~TestDesktop() { realFileSystem.removeTree(scratch()); }
    TestDesktop(const TestDesktop&) = delete;
    TestDesktop& operator=(const TestDesktop&) = delete;

    bool isValid() const { return m_dir.isValid() && TestTree::exists(m_desktop); }
    const QByteArray& path() const { return m_desktop; }
    QByteArray at(const QByteArray& relative) const { return m_desktop + '/' + relative; }
    QString settingsPath() const { return m_dir.filePath(QStringLiteral("settings.json")); }
    QByteArray scratch() const { return QFile::encodeName(m_dir.path()); }

    // Creates every entry of `tree` below the Desktop: "D" a folder, "F:…" a file, "L:…" a link.
    // `fresh` items get a modification time an hour before the clock.
    bool build(const TestTree::Snapshot& tree, const QByteArrayList& fresh = {})
    {
        for (const auto& [relative, value] : tree) {
            const QByteArray full = at(relative);
            const bool made = value == "D"             ? TestTree::makeFolder(full)
                              : value.startsWith("F:") ? TestTree::writeFile(full, value.mid(2))
                              : value.startsWith("L:") ? TestTree::makeSymlink(value.mid(2), full)
                                                       : false;
            if (!made)
                return false;
        }
        for (const QByteArray& relative : fresh) {
            if (!TestTree::setModified(at(relative), clock.now() - 3600))
                return false;
        }
        return true;
    }

    TestTree::Snapshot snapshot() const { return TestTree::snapshot(m_desktop); }

    // The stored log with the Desktop prefix taken off, as "from > to" lines.
    QByteArrayList loggedMoves() const
    {
        QByteArrayList lines;
        for (const std::optional<MoveRecord>& record : MoveLog::read(settings)) {
            lines.append(record ? relative(record->from) + " > " + relative(record->to)
                                : QByteArray("(malformed)"));
        }
        return lines;
    }

    QByteArray relative(const QByteArray& path) const
    {
        return path.startsWith(m_desktop + '/') ? path.mid(m_desktop.size() + 1) : path;
    }

    TidyServices services() { return {fileSystem, settings, clock, contentTypes}; }

private:
    QTemporaryDir m_dir;
    QByteArray m_desktop = QFile::encodeName(m_dir.path()) + "/Desktop";

public:
    PosixFileSystem realFileSystem;
    FaultyFileSystem fileSystem{realFileSystem};
    JsonSettingsStore settings{settingsPath()};
    MimeContentTypes contentTypes;
    FakeClock clock{january15};
};

} // namespace tavlin

namespace tavlin::TestTree {

// Trees and lists written compactly in test rows. Entries are separated by "|", and "@/" stands
// for the archive's folder of the test clock's month. In a tree, "a/b=F:text" is a file,
// "a/b=L:target" a link and "a/b" a folder; the folders above an entry are implied.
inline QByteArrayList entries(const QByteArray& text)
{
    const QByteArray& month = TestDesktop::thisMonth;
    QByteArrayList result;
    for (QByteArray entry : text.split('|')) {
        if (entry.isEmpty())
            continue;
        if (entry.startsWith("@/"))
            entry = month + entry.mid(2);
        result.append(entry.replace(" > @/", " > " + month));
    }
    return result;
}

inline Snapshot tree(const QByteArray& text)
{
    Snapshot result;
    for (const QByteArray& entry : entries(text)) {
        const qsizetype equals = entry.indexOf('=');
        const QByteArray path = equals < 0 ? entry : entry.left(equals);
        result[path] = equals < 0 ? QByteArray("D") : entry.mid(equals + 1);
        for (qsizetype slash = path.lastIndexOf('/'); slash > 0;
             slash = path.lastIndexOf('/', slash - 1))
            result[path.left(slash)] = "D";
    }
    return result;
}

} // namespace tavlin::TestTree

// Lets QCOMPARE show both trees when they differ.
inline char* toString(const tavlin::TestTree::Snapshot& tree)
{
    QByteArray text = "{";
    for (const auto& [path, value] : tree)
        text += "\n  " + path.toPercentEncoding(" /.&-_") + " = " +
                value.left(40).toPercentEncoding(" :/.&-_");
    return qstrdup(text + "\n}");
}
