#pragma once

#include "platform/NotificationServices.h"

namespace tavlin {

// A notification service as the test says: none, with `reason`, or one whose switch only
// remembers what was written.
class FakeNotificationServices final : public NotificationServices
{
public:
    QString reason;
    DndState state = DndState::Off;

    std::unique_ptr<DoNotDisturb> current(QString* why = nullptr) override
    {
        if (why)
            *why = reason;
        return reason.isEmpty() ? named(QStringLiteral("fake")) : nullptr;
    }
    std::unique_ptr<DoNotDisturb> named(const QString&) override
    {
        return std::make_unique<Switch>(state);
    }

private:
    // Ends with the connection, so nothing is recorded or guarded.
    class Switch final : public DoNotDisturb
    {
    public:
        explicit Switch(DndState& state) : m_state(state) {}
        QString id() const override { return QStringLiteral("fake"); }
        std::optional<DndState> read() override { return m_state; }
        bool write(DndState state) override
        {
            m_state = state;
            return true;
        }
        QString keeper() const override { return {}; }
        bool endsWithConnection() const override { return true; }

    private:
        DndState& m_state;
    };
};

} // namespace tavlin
