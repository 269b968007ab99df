#include "input_reader.h"

#include "control_wire.h"
#include "standard_handles.h"

#include <string_view>
#include <utility>

namespace {

class Locked {
public:
    explicit Locked(SRWLOCK &lock)
        : m_lock(lock)
    {
        AcquireSRWLockExclusive(&m_lock);
    }
    ~Locked() { ReleaseSRWLockExclusive(&m_lock); }
    Locked(const Locked &) = delete;
    Locked &operator=(const Locked &) = delete;

private:
    SRWLOCK &m_lock;
};

} // namespace

InputReader::InputReader()
    : m_shared(new Shared)
{
    m_shared->input = takeStandardInput();
}

InputReader::~InputReader()
{
    // A thread still blocked reading an input that has not closed keeps what it uses: the end
    // of the process, which follows, takes that and the thread.
    if (m_thread && WaitForSingleObject(m_thread, 0) != WAIT_OBJECT_0)
        return;
    if (m_thread)
        CloseHandle(m_thread);
    CloseHandle(m_shared->input);
    delete m_shared;
}

void InputReader::start(HWND window)
{
    m_shared->window = window;
    m_thread = CreateThread(nullptr, 0, &InputReader::run, m_shared, 0, nullptr);
}

std::optional<std::string> InputReader::takeLine()
{
    const Locked locked(m_shared->lock);
    if (m_shared->lines.empty())
        return std::nullopt;
    std::string line = std::move(m_shared->lines.front());
    m_shared->lines.pop_front();
    return line;
}

bool InputReader::hasNews()
{
    const Locked locked(m_shared->lock);
    return !m_shared->lines.empty() || m_shared->closed;
}

bool InputReader::ended()
{
    const Locked locked(m_shared->lock);
    return m_shared->lines.empty() && m_shared->closed;
}

DWORD WINAPI InputReader::run(void *argument)
{
    Shared &shared = *static_cast<Shared *>(argument);
    std::string pending;
    // One byte past the longest line is enough to say that it is too long.
    const auto keep = [&pending](std::string_view part) {
        pending.append(part.substr(0, ControlWire::maxLineLength + 1 - pending.size()));
    };
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(shared.input, buffer, sizeof buffer, &count, nullptr) && count > 0) {
        std::string_view read(buffer, count);
        for (std::size_t end; (end = read.find('\n')) != std::string_view::npos;
             read.remove_prefix(end + 1)) {
            keep(read.substr(0, end));
            if (!pending.empty() && pending.back() == '\r')
                pending.pop_back();
            {
                const Locked locked(shared.lock);
                shared.lines.push_back(std::exchange(pending, {}));
            }
            PostMessageW(shared.window, inputMessage, 0, 0);
        }
        keep(read);
    }
    {
        const Locked locked(shared.lock);
        shared.closed = true;
    }
    PostMessageW(shared.window, inputMessage, 0, 0);
    return 0;
}
