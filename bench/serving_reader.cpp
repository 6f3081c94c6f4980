// A plain TCP reader for the file-server benchmark: connects, optionally
// sends one request text (an HTTP GET, to read from a web server the same
// way), reads until the server closes, and prints how many bytes came in how
// many seconds.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

int main(int argc, char **argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: serving_reader ADDRESS PORT [REQUEST]\n");
        return 2;
    }
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(std::atoi(argv[2])));
    if (inet_pton(AF_INET, argv[1], &a.sin_addr) != 1) return 2;
    int fd = -1;
    // The server may still be starting: try for up to five seconds.
    for (int attempt = 0; attempt < 500 && fd < 0; ++attempt) {
        fd = socket(AF_INET, SOCK_STREAM, 0);
        if (connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
            close(fd);
            fd = -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    if (fd < 0) return 1;
    const auto start = std::chrono::steady_clock::now();
    if (argc == 4 && send(fd, argv[3], std::strlen(argv[3]), 0) != ssize_t(std::strlen(argv[3]))) return 1;
    std::vector<char> buf(64 << 10);
    long long total = 0;
    for (;;) {
        const ssize_t n = recv(fd, buf.data(), buf.size(), 0);
        if (n <= 0) break;
        total += n;
    }
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    close(fd);
    std::printf("%lld %.6f\n", total, secs);
    return 0;
}
