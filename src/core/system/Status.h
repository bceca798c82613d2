#pragma once

#include <cerrno>

namespace orq::sys {

// The outcome of an operation whose failure its caller decides about: success, or the system
// error number that stopped it. See Error.h for when the platform layer returns one.
class [[nodiscard]] Status {
public:
    constexpr Status() = default;

    static constexpr Status success() { return Status(); }
    // A failure always reads as one, even when the error number got lost on the way.
    static constexpr Status failure(int errnum) { return Status(errnum != 0 ? errnum : EIO); }

    constexpr bool ok() const { return m_error == 0; }
    // The errno of the failure; 0 on success.
    constexpr int error() const { return m_error; }

    friend constexpr bool operator==(Status, Status) = default;

private:
    constexpr explicit Status(int errnum) : m_error(errnum) {}

    int m_error = 0;
};

} // namespace orq::sys
