#include "Blocking.h"

#include "platform/automation/ComError.h"
#include "platform/sys/Cancel.h"
#include "platform/ui/HeadlessBackend.h"

#include <pybind11/pybind11.h>

#include <chrono>
#include <exception>
#include <mutex>
#include <optional>
#include <utility>

namespace py = pybind11;

namespace kvr::python {

namespace {

unsigned long g_main_thread = 0;

// The interpreter is asked at most this often: each ask takes the lock back for a moment.
constexpr auto kSignalInterval = std::chrono::milliseconds(50);

// The signal check of one call: asks the interpreter to run its pending signal handlers (on
// the main thread) and keeps the exception one of them raised, or the one that host code the
// call ran raised to end the program, for the call's end.
class SignalWatch {
  public:
    explicit SignalWatch(bool hears_signals) : m_hears_signals(hears_signals) {}

    bool interrupted() {
        if (m_type)
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (!m_hears_signals || now < m_next)
            return false;
        m_next = now + kSignalInterval;
        py::gil_scoped_acquire gil;
        if (PyErr_CheckSignals() == 0)
            return false;
        PyErr_Fetch(&m_type, &m_value, &m_traceback);
        return true;
    }
    // Keeps the exception set in the interpreter (the first one kept wins).
    void keep() {
        if (m_type) {
            PyErr_Clear();
            return;
        }
        PyErr_Fetch(&m_type, &m_value, &m_traceback);
    }
    // Raises the kept exception, if any (with the lock held).
    void raise_if_interrupted() {
        if (!m_type)
            return;
        PyErr_Restore(m_type, m_value, m_traceback);
        m_type = m_value = m_traceback = nullptr;
        throw py::error_already_set();
    }

  private:
    const bool m_hears_signals; // only the main thread does
    std::chrono::steady_clock::time_point m_next{};
    PyObject* m_type = nullptr;
    PyObject* m_value = nullptr;
    PyObject* m_traceback = nullptr;
};

// The watch of the library call in progress on this thread (the innermost one).
thread_local SignalWatch* t_watch = nullptr;

class WatchInProgress {
  public:
    explicit WatchInProgress(SignalWatch& watch) : m_outer(std::exchange(t_watch, &watch)) {}
    ~WatchInProgress() { t_watch = m_outer; }
    WatchInProgress(const WatchInProgress&) = delete;
    WatchInProgress& operator=(const WatchInProgress&) = delete;

  private:
    SignalWatch* m_outer;
};

std::optional<std::string> take_unanswered_dialog() {
    auto* headless = ui::headless();
    return headless ? headless->take_unanswered() : std::nullopt;
}

} // namespace

void note_main_thread() {
    g_main_thread = PyThread_get_thread_ident();
}

bool keep_interrupt() {
    PyObject* type = PyErr_Occurred();
    if (!t_watch || !type || PyErr_GivenExceptionMatches(type, PyExc_Exception))
        return false;
    t_watch->keep();
    return true;
}

Variant call_released(const std::function<Variant()>& call, ObjectLock* object) {
    const bool main_thread = PyThread_get_thread_ident() == g_main_thread;
    SignalWatch watch(main_thread);
    const WatchInProgress in_progress(watch);
    take_unanswered_dialog();
    Variant result;
    std::exception_ptr failure;
    {
        py::gil_scoped_release unlocked;
        std::unique_lock<std::recursive_timed_mutex> held;
        if (object) {
            held = std::unique_lock(object->mutex(), std::defer_lock);
            while (!held.try_lock_for(kSignalInterval))
                if (watch.interrupted())
                    break;
        }
        const sys::CancelScope scope([&watch] { return watch.interrupted(); });
        try {
            // Interrupted while waiting for its object: the call is not made at all.
            if (!object || held.owns_lock())
                result = call();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    watch.raise_if_interrupted();
    if (auto what = take_unanswered_dialog())
        throw ComError(rt::Unexpected, "kvrupload.ui",
                       *what + " (queue an answer with kvrupload.ui.queue(('dialog', path)) or "
                               "show real windows with kvrupload.ui.use_gui())");
    if (failure)
        std::rethrow_exception(failure);
    return result;
}

} // namespace kvr::python
