#pragma once
// A loopback HTTP listener for the browser tests: records the request line of every
// connection and answers 404, so a test can tell whether the control asked for a page.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackListener {
public:
    LoopbackListener() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        listen(m_socket, 8);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackListener() {
        m_stop = true;
        closesocket(m_socket);
        m_thread.join();
        WSACleanup();
    }
    int port() const { return m_port; }
    std::wstring Url(const std::wstring& path) const {
        return L"http://127.0.0.1:" + std::to_wstring(m_port) + path;
    }
    std::vector<std::string> requests() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_requests;
    }

private:
    void Serve() {
        while (!m_stop) {
            SOCKET client = accept(m_socket, nullptr, nullptr);
            if (client == INVALID_SOCKET) break;
            std::string head;
            char buffer[1024];
            while (head.find("\r\n\r\n") == std::string::npos && head.size() < 16384) {
                const int n = recv(client, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                head.append(buffer, static_cast<size_t>(n));
            }
            {
                std::lock_guard<std::mutex> lock(m_lock);
                m_requests.push_back(head.substr(0, head.find("\r\n")));
            }
            static const char kReply[] = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
            send(client, kReply, sizeof kReply - 1, 0);
            closesocket(client);
        }
    }

    SOCKET m_socket = INVALID_SOCKET;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};
