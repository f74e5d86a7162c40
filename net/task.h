#pragma once

#include <coroutine>
#include <exception>
#include <functional>
#include <optional>
#include <type_traits>
#include <utility>

/// One step of the session's work written as straight-line code that
/// suspends where it would have to wait: the compiler turns it into the
/// state machine, and the session resumes it from the event loop when the
/// event it waits for arrives. A Task starts when it is awaited (or
/// Start()ed), hands its value (or what it threw) to the awaiting
/// coroutine, and destroys its frame, with the locals' destructors, when it
/// goes out of scope, finished or not.
template <typename T = void> class [[nodiscard]] Task;

namespace TaskDetail {

struct PromiseBase {
    std::coroutine_handle<> continuation;
    std::exception_ptr error;
    std::function<void()> onDone; ///< for a task nobody awaits

    std::suspend_always initial_suspend() noexcept { return {}; }
    struct FinalAwaiter {
        bool await_ready() noexcept { return false; }
        template <typename Promise>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<Promise> self) noexcept {
            PromiseBase& promise = self.promise();
            if (promise.continuation)
                return promise.continuation;
            if (promise.onDone)
                promise.onDone();
            return std::noop_coroutine();
        }
        void await_resume() noexcept {}
    };
    FinalAwaiter final_suspend() noexcept { return {}; }
    void unhandled_exception() noexcept { error = std::current_exception(); }
};

template <typename T> struct Promise : PromiseBase {
    std::optional<T> value;
    template <typename U> void return_value(U&& v) { value.emplace(std::forward<U>(v)); }
    T take() {
        if (error)
            std::rethrow_exception(error);
        return std::move(*value);
    }
};

template <> struct Promise<void> : PromiseBase {
    void return_void() noexcept {}
    void take() const {
        if (error)
            std::rethrow_exception(error);
    }
};

} // namespace TaskDetail

template <typename T> class [[nodiscard]] Task {
public:
    // The name the language looks for.
    struct promise_type : TaskDetail::Promise<T> { // NOLINT(readability-identifier-naming)
        Task get_return_object() {
            return Task(std::coroutine_handle<promise_type>::from_promise(*this));
        }
    };

    Task(Task&& other) noexcept
        : handle_(std::exchange(other.handle_, {})) {}
    Task& operator=(Task&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() { reset(); }

    // Awaited by another coroutine: runs until it suspends, and resumes the
    // awaiting one when it is over.
    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
        handle_.promise().continuation = awaiting;
        return handle_;
    }
    T await_resume() { return handle_.promise().take(); }

    /// Runs a task nobody awaits until it first suspends; `onDone` runs when
    /// it is over (inside its last step: it must not destroy the task).
    void Start(const std::function<void()>& onDone = {}) {
        handle_.promise().onDone = onDone;
        handle_.resume();
    }
    bool Done() const { return !handle_ || handle_.done(); }
    /// The value of a finished task, or what it threw.
    T Result() { return handle_.promise().take(); }

private:
    explicit Task(std::coroutine_handle<promise_type> handle)
        : handle_(handle) {}
    void reset() {
        if (handle_)
            std::exchange(handle_, {}).destroy();
    }

    std::coroutine_handle<promise_type> handle_;
};
