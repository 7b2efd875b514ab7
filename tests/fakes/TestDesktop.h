#pragma once

#include "platform/linux/JsonSettingsStore.h"
#include "platform/linux/MimeContentTypes.h"
#include "platform/linux/PosixStateFolder.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FaultyFileSystem.h"
#include "tests/fakes/TestTree.h"
#include "tidy/MoveJournal.h"
#include "tidy/MoveLog.h"
#include "tidy/StoredPath.h"
#include "tidy/TidyKeys.h"
#include "tidy/TidyServices.h"

#include <QTest>
#include <cstdio>

// The tidy's world in a test: a real Desktop folder in a temporary directory, the real file
// system (with refusals on demand), a real settings file and state folder beside the Desktop,
// the real content types, and a clock that stands in the middle of January 2040, so that every item
// a test makes today counts as old unless the test says otherwise.
namespace tavlin {

class TestDesktop
{
public:
    static constexpr double january15 = 2210241600.0;  // 2040-01-15 12:00 UTC
    static constexpr double february15 = 2212920000.0; // 2040-02-15 12:00 UTC
    static constexpr double day = 86400.0;

    // `parent` holds the test's folders: the system's temporary folder unless given.
    explicit TestDesktop(const QString& parent = {}) : m_scratch(parent)
    {
        TestTree::makeFolder(path());
    }

    bool isValid() const { return m_scratch.isValid() && TestTree::exists(path()); }
    QByteArray path() const { return m_scratch.at("Desktop"); }
    QByteArray at(const QByteArray& relative) const { return path() + '/' + relative; }
    QString settingsPath() const { return QFile::decodeName(m_scratch.at("settings.json")); }
    QByteArray scratch() const { return m_scratch.root; }
    QByteArray logPath() const { return state.pathOf(MoveJournal::logName(path())); }

    // Makes this the Desktop chosen in the tray menu.
    void choose() { settings.setValue(TidyKeys::desktopBookmark, StoredPath::encode(path())); }
    void keep() { m_scratch.keep(); }

    // Makes the entries of a TestTree::tree() text below the Desktop; the `fresh` ones get a
    // modification time an hour before the clock.
    bool build(const QByteArray& tree, const QByteArray& fresh = {})
    {
        if (!TestTree::build(path(), TestTree::tree(tree)))
            return false;
        for (const QByteArray& relative : TestTree::entries(fresh)) {
            if (!TestTree::setModified(at(relative), clock.now() - 3600))
                return false;
        }
        return true;
    }

    TestTree::Snapshot snapshot() const { return TestTree::snapshot(path()); }

    // What anyone who may write to the Desktop could do in the middle of a run: the folder at
    // `relative` moves aside (to relative + ".real") and a link takes its place, to a folder
    // beside the Desktop that holds a decoy under every name the real one holds.
    bool swapForLink(const QByteArray& relative)
    {
        const QByteArray decoys = outsidePath() + '/' + relative;
        TestTree::Snapshot mirror = TestTree::snapshot(at(relative));
        for (auto& [name, identity] : mirror)
            identity = identity == "D" ? identity : QByteArray("F:decoy");
        return QDir().mkpath(QFile::decodeName(decoys)) && TestTree::build(decoys, mirror) &&
               ::rename(at(relative).constData(), at(relative + ".real").constData()) == 0 &&
               TestTree::makeSymlink(QByteArray("../").repeated(relative.count('/') + 1) +
                                         "Outside/" + relative,
                                     at(relative));
    }
    QByteArray outsidePath() const { return m_scratch.at("Outside"); }

    // The records an undo would take back: this folder's log, else an older version's log in
    // the settings.
    std::vector<std::optional<MoveRecord>> loggedRecords() const
    {
        QByteArray data;
        if (state.read(MoveJournal::logName(path()), data) != StateFolder::Read::Ok)
            return MoveLog::read(settings);
        std::vector<std::optional<MoveRecord>> records;
        for (const JournalRecord& record : MoveJournal::parse(data).value_or(Journal()).records)
            if (!record.failed)
                records.push_back(record.move);
        return records;
    }

    // The same with the Desktop prefix taken off, as "from > to" lines.
    QByteArrayList loggedMoves() const
    {
        QByteArrayList lines;
        for (const std::optional<MoveRecord>& record : loggedRecords())
            lines.append(record ? relative(record->from) + " > " + relative(record->to)
                                : QByteArray("(malformed)"));
        return lines;
    }

    QByteArray relative(const QByteArray& item) const
    {
        return item.startsWith(path() + '/') ? item.mid(path().size() + 1) : item;
    }

    TidyServices services() { return {fileSystem, settings, clock, contentTypes, state}; }

private:
    TestTree::Scratch m_scratch;

public:
    FaultyFileSystem fileSystem;
    JsonSettingsStore settings{settingsPath()};
    PosixStateFolder state{m_scratch.at("state")};
    MimeContentTypes contentTypes;
    FakeClock clock{january15};
};

} // namespace tavlin
