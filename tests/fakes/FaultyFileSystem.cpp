#include "tests/fakes/FaultyFileSystem.h"

namespace tavlin {

bool FaultyFileSystem::refused(Operation operation, const QByteArray& path) const
{
    if (!m_rule || !m_rule(operation, path))
        return false;
    ++m_refusals;
    return true;
}

} // namespace tavlin
