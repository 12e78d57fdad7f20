// A printer stand-in that reads an upload completely, discards it, and
// answers "1001". One connection at a time; ends after the given count.
#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    const int server = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(9100);
    inet_pton(AF_INET, argv[1], &address.sin_addr);
    if (bind(server, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(server, 8) != 0) {
        std::perror("sink");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    const int connections = std::atoi(argv[2]);
    static char buffer[1 << 20];
    for (int c = 0; c < connections; ++c) {
        const int client = accept(server, nullptr, nullptr);
        std::string head;
        long long remaining = -1;
        ssize_t got;
        while (remaining != 0 && (got = read(client, buffer, sizeof buffer)) > 0) {
            if (remaining < 0) {
                head.append(buffer, size_t(got));
                const size_t end = head.find("\r\n\r\n");
                if (end == std::string::npos)
                    continue;
                long long length = 0;
                for (const char *name : {"Content-Length:", "content-length:"}) {
                    const size_t at = head.find(name);
                    if (at != std::string::npos && at < end)
                        length = std::atoll(head.c_str() + at + std::strlen(name));
                }
                if (head.find("Expect: 100-continue") != std::string::npos)
                    write(client, "HTTP/1.1 100 Continue\r\n\r\n", 25);
                remaining = length - (long long)(head.size() - end - 4);
            } else {
                remaining -= got;
            }
        }
        const char answer[] = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\nConnection: close\r\n\r\n1001";
        write(client, answer, sizeof answer - 1);
        close(client);
    }
    return 0;
}
