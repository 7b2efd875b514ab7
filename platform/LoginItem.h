#pragma once

namespace tavlin {

// Whether the program starts when the user logs in.
class LoginItem
{
public:
    virtual ~LoginItem() = default;

    virtual bool isEnabled() const = 0;
    // False when the change could not be made; the registration is then as it was.
    virtual bool setEnabled(bool enabled) = 0;
};

} // namespace tavlin
