#pragma once

#include "platform/StateFolder.h"

namespace tavlin {

// StateFolder on a real folder, with flock() for the locks.
class PosixStateFolder : public StateFolder
{
public:
    explicit PosixStateFolder(QByteArray folder);

    Read read(const QByteArray& name, QByteArray& data) const override;
    std::unique_ptr<AppendFile> create(const QByteArray& name) override;
    std::unique_ptr<AppendFile> openForAppend(const QByteArray& name) override;
    bool replace(const QByteArray& name, const QByteArray& data) override;
    bool rename(const QByteArray& from, const QByteArray& to) override;
    bool remove(const QByteArray& name) override;
    std::unique_ptr<HeldLock> lock(const QByteArray& name, int waitMs, bool& busy) override;
    QByteArray pathOf(const QByteArray& name) const override;

private:
    QByteArray m_folder;
};

} // namespace tavlin
