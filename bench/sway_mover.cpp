// Drags a window the way a hand would, as far as sway lets anyone: moves the windows matching a
// criteria string (e.g. [app_id="x"]) 60 times a second, 4 pixels to the right each time and
// back after 100 steps, for a number of seconds, over one IPC connection of its own so that
// neither starting processes nor the benchmark's own process pays for it. Prints how many moves
// sway accepted.
//   sway_mover SOCKET CRITERIA X Y SECONDS
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr char magic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::uint32_t runCommand = 0;
constexpr long frameNs = 1'000'000'000L / 60;

bool writeAll(int fd, const void* data, std::size_t size)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written <= 0)
            return false;
        bytes += written;
        size -= std::size_t(written);
    }
    return true;
}

bool readAll(int fd, void* data, std::size_t size)
{
    auto* bytes = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = ::read(fd, bytes, size);
        if (got <= 0)
            return false;
        bytes += got;
        size -= std::size_t(got);
    }
    return true;
}

// Sends one command and reads sway's answer; true when it says it succeeded.
bool command(int fd, const std::string& text)
{
    char header[14];
    std::memcpy(header, magic, sizeof magic);
    const auto length = std::uint32_t(text.size());
    std::memcpy(header + 6, &length, 4);
    std::memcpy(header + 10, &runCommand, 4);
    if (!writeAll(fd, header, sizeof header) || !writeAll(fd, text.data(), text.size()) ||
        !readAll(fd, header, sizeof header))
        return false;
    std::uint32_t replyLength = 0;
    std::memcpy(&replyLength, header + 6, 4);
    std::string reply(replyLength, '\0');
    return readAll(fd, reply.data(), replyLength) &&
           reply.find("\"success\": true") != std::string::npos;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s SOCKET CRITERIA X Y SECONDS\n", argv[0]);
        return 2;
    }
    const int x = std::atoi(argv[3]);
    const int y = std::atoi(argv[4]);
    const int frames = std::atoi(argv[5]) * 60;

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, argv[1], sizeof address.sun_path - 1);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("sway_mover: connect");
        return 1;
    }

    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    int accepted = 0;
    for (int i = 0; i < frames; ++i) {
        const int step = i % 200 < 100 ? i % 100 : 100 - i % 100;
        const std::string move = std::string(argv[2]) + " move absolute position " +
                                 std::to_string(x + 4 * step) + ' ' + std::to_string(y);
        if (command(fd, move))
            ++accepted;
        next.tv_nsec += frameNs;
        if (next.tv_nsec >= 1'000'000'000L) {
            next.tv_nsec -= 1'000'000'000L;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    ::close(fd);
    std::printf("%d moves\n", accepted);
    return accepted == frames ? 0 : 1;
}
