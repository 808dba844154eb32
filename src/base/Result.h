#pragma once
// Errors as values: the core returns a Result, the caller decides how to show it.

#include <QString>
#include <optional>
#include <utility>

namespace quirels {

struct Error {
    int code = 0;
    QString message;
};

template <typename T>
class Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Error error) : m_error(std::move(error)) {}

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const { return *m_value; }
    T &value() { return *m_value; }
    T take() { return std::move(*m_value); }
    const T &operator*() const { return *m_value; }
    T &operator*() { return *m_value; }
    const T *operator->() const { return &*m_value; }
    T *operator->() { return &*m_value; }
    const Error &error() const { return m_error; }
    QString message() const { return m_error.message; }

private:
    std::optional<T> m_value;
    Error m_error;
};

template <>
class Result<void> {
public:
    Result() = default;
    Result(Error error) : m_failed(true), m_error(std::move(error)) {}

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Error &error() const { return m_error; }
    QString message() const { return m_error.message; }

private:
    bool m_failed = false;
    Error m_error;
};

using Status = Result<void>;

inline Error makeError(QString message, int code = 1) { return Error{code, std::move(message)}; }

} // namespace quirels
