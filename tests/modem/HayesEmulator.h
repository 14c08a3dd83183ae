#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>

#include <atomic>
#include <thread>
#include <vector>

namespace korvex::test {

// A small Hayes modem exchange for tests, on its own thread. Each line is the far side of a
// pseudo-terminal pair with a phone number. It answers AT commands with OK; ATDT rings the
// line dialled (commas are pauses and ignored), ATA connects both with "CONNECT 33600" and
// then relays bytes between them until "+++". Numbers "0", "1" and "2" give
// NO DIALTONE, NO ANSWER and BUSY; unknown numbers NO CARRIER; a line in a call BUSY.
class HayesEmulator {
public:
    HayesEmulator() {
        if (pipe(wake_) != 0) {
            wake_[0] = wake_[1] = -1;
        }
    }
    ~HayesEmulator() { Stop(); }

    // Adds a line on `path` (opened raw) before Start.
    bool AddLine(const QString& path, const QByteArray& number) {
        const int fd = open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0) {
            return false;
        }
        termios state{};
        tcgetattr(fd, &state);
        cfmakeraw(&state);
        tcsetattr(fd, TCSANOW, &state);
        lines_.push_back(Line{fd, number});
        return true;
    }
    void Start() {
        thread_ = std::thread([this] { Run(); });
    }
    void Stop() {
        if (thread_.joinable()) {
            stop_ = true;
            const char c = 0;
            (void)!write(wake_[1], &c, 1);
            thread_.join();
        }
        for (Line& line : lines_) {
            if (line.fd >= 0) {
                close(line.fd);
            }
        }
        lines_.clear();
        for (int& fd : wake_) {
            if (fd >= 0) {
                close(fd);
                fd = -1;
            }
        }
    }

private:
    enum class Mode { Command, Ringing, Answering, Data };
    struct Line {
        int fd;
        QByteArray number;
        Mode mode = Mode::Command;
        int peer = -1;
        QByteArray command;
        int plusRun = 0;
    };

    void Send(Line& line, const QByteArray& text) {
        const QByteArray reply = "\r\n" + text + "\r\n";
        (void)!write(line.fd, reply.constData(), size_t(reply.size()));
    }

    void Command(int index, QByteArray command) {
        Line& line = lines_[size_t(index)];
        command = command.trimmed().toUpper();
        if (command.isEmpty()) {
            return;
        }
        if (command.startsWith("ATDT")) {
            const QByteArray number = command.mid(4).replace(",", "");
            if (number == "0") {
                Send(line, "NO DIALTONE");
                return;
            }
            if (number == "1") {
                Send(line, "NO ANSWER");
                return;
            }
            if (number == "2") {
                Send(line, "BUSY");
                return;
            }
            for (size_t i = 0; i < lines_.size(); ++i) {
                Line& callee = lines_[i];
                if (callee.number != number || int(i) == index || callee.fd < 0) {
                    continue;
                }
                if (callee.mode != Mode::Command) {
                    Send(line, "BUSY");
                    return;
                }
                callee.mode = Mode::Ringing;
                callee.peer = index;
                line.mode = Mode::Answering;
                line.peer = int(i);
                Send(callee, "RING");
                return;
            }
            Send(line, "NO CARRIER");
        } else if (command == "ATA") {
            if (line.mode != Mode::Ringing || line.peer < 0) {
                Send(line, "NO CARRIER");
                return;
            }
            Line& caller = lines_[size_t(line.peer)];
            line.mode = Mode::Data;
            caller.mode = Mode::Data;
            Send(caller, "CONNECT 33600");
            Send(line, "CONNECT 33600");
        } else if (command == "ATH" || command == "ATH0") {
            line.mode = Mode::Command;
            line.peer = -1;
            Send(line, "OK");
        } else {
            Send(line, "OK");
        }
    }

    void HangUp(int index) {
        Line& line = lines_[size_t(index)];
        if (line.peer >= 0) {
            Line& peer = lines_[size_t(line.peer)];
            peer.mode = Mode::Command;
            peer.peer = -1;
        }
        line.mode = Mode::Command;
        line.peer = -1;
    }

    void OnBytes(int index, const char* bytes, size_t count) {
        Line& line = lines_[size_t(index)];
        if (line.mode == Mode::Data) {
            for (size_t i = 0; i < count; ++i) {
                line.plusRun = bytes[i] == '+' ? line.plusRun + 1 : 0;
                if (line.plusRun == 3) {
                    HangUp(index);
                    Send(line, "OK");
                    OnBytes(index, bytes + i + 1, count - i - 1);
                    return;
                }
            }
            Line& peer = lines_[size_t(line.peer)];
            if (peer.fd >= 0) {
                (void)!write(peer.fd, bytes, count);
            }
            return;
        }
        for (size_t i = 0; i < count; ++i) {
            if (bytes[i] == '\r' || bytes[i] == '\n') {
                Command(index, line.command);
                line.command.clear();
            } else if (line.command.size() < 256) {
                line.command.append(bytes[i]);
            }
        }
    }

    void Run() {
        while (!stop_) {
            std::vector<pollfd> fds{{wake_[0], POLLIN, 0}};
            for (const Line& line : lines_) {
                fds.push_back({line.fd, POLLIN, 0});
            }
            if (poll(fds.data(), fds.size(), 100) <= 0) {
                continue;
            }
            if (fds[0].revents & POLLIN) {
                char drain[16];
                (void)!read(wake_[0], drain, sizeof drain);
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0) {
                    continue;
                }
                char bytes[1024];
                const ssize_t got = read(fds[i].fd, bytes, sizeof bytes);
                if (got > 0) {
                    OnBytes(int(i - 1), bytes, size_t(got));
                } else if (got == 0 || errno != EAGAIN) {
                    // The pseudo-terminal went away (its relay was stopped).
                    HangUp(int(i - 1));
                    close(lines_[i - 1].fd);
                    lines_[i - 1].fd = -1;
                }
            }
        }
    }

    std::vector<Line> lines_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    int wake_[2] = {-1, -1};
};

}  // namespace korvex::test
