#pragma once

#include "platform/FileSystem.h"

#include <unistd.h>

namespace tavlin {

// A folder held open by its descriptor, which the operations of PosixFileSystem work relative to.
class PosixFolder final : public FolderHandle
{
public:
    PosixFolder(QByteArray path, int descriptor)
        : FolderHandle(std::move(path)), m_descriptor(descriptor)
    {
    }
    ~PosixFolder() override { ::close(m_descriptor); }

    int descriptor() const { return m_descriptor; }

private:
    int m_descriptor;
};

} // namespace tavlin
