// Measures the phone-transfer server side by side in one run:
//
//  1. One 200 MB file fetched over loopback against reading the same file
//     into memory (best of three each); the ratio of their throughputs.
//  2. 64 clients fetching the page and a 5 MB file at once: whether all
//     complete, how far the resident memory grows, the page's latencies.
//  3. 20 uploads of 8 MB pictures through the upload dialog: the program's
//     peak memory growth against the size of one request body.
//  4. One 8 MB picture received (JSON read, Base64 decoded, checked to be a
//     whole picture, written) against only decoding and writing its bytes
//     (best of five each): what the picture check costs.
//
// The files live in a temporary folder that is removed at the end. Every
// connection goes to 127.0.0.1.
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/Startup.h"
#include "core/Settings.h"
#include "transfer/TransferEndpoint.h"
#include "transfer/UploadReceiver.h"
#include "transfer/httpUploadDialog.h"
#include "transfer/libevent.h"
#include "ui/ModalRecorder.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A field of /proc/self/status in kB.
long statusKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, key.size(), key) == 0)
            return std::atol(line.c_str() + key.size());
    }
    return 0;
}

void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

class Server : public libevent {
public:
    ~Server() override { stop(); }
    int startLoopback(const std::string& root)
    {
        setBindAddress("127.0.0.1");
        start(root.c_str(), 0);
        for (int i = 0; i < 1000 && port() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return port();
    }
};

int connectLoopback(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    timeval limit{30, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// GET path; the number of bytes after the header, read into a small buffer
// and dropped (with `discard`, dropped by the kernel without copying, so
// many clients load the server rather than themselves); -1 on failure.
long long fetch(int port, const std::string& path, const std::string& method = "GET", const std::string& body = "",
                bool discard = false)
{
    const int fd = connectLoopback(port);
    if (fd < 0)
        return -1;
    std::string request = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n";
    if (!body.empty())
        request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    request += "\r\n";
    if (!sendAll(fd, request.data(), request.size()) || !sendAll(fd, body.data(), body.size())) {
        ::close(fd);
        return -1;
    }
    static thread_local std::vector<char> buffer(256 * 1024);
    long long total = 0;
    long long headerEnd = -1;
    std::string head;
    for (;;) {
        const ssize_t n = (discard && headerEnd >= 0) ? ::recv(fd, nullptr, 1 << 24, MSG_TRUNC)
                                                      : ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0)
            break;
        if (headerEnd < 0) {
            head.append(buffer.data(), static_cast<size_t>(n));
            const size_t end = head.find("\r\n\r\n");
            if (end != std::string::npos) {
                headerEnd = static_cast<long long>(end + 4);
                total = static_cast<long long>(head.size()) - headerEnd;
                if (head.compare(0, 12, "HTTP/1.1 200") != 0)
                    total = -1000000000;
                head.clear();
            }
        } else {
            total += n;
        }
    }
    ::close(fd);
    return headerEnd < 0 ? -1 : total;
}

void writeBytes(const QString& path, qint64 size)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray block(4 * 1024 * 1024, '\0');
    for (int i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(i * 31 % 251);
    for (qint64 written = 0; written < size; written += block.size())
        file.write(block.constData(), std::min<qint64>(block.size(), size - written));
}

void largeFile(const QString& folder)
{
    const qint64 size = 200LL * 1024 * 1024;
    const QString path = folder + "/big.pdf";
    writeBytes(path, size);
    Server server;
    const int port = server.startLoopback(folder.toStdString());

    double bestRead = 1e9;
    double bestFetch = 1e9;
    for (int round = 0; round < 3; ++round) {
        auto start = Clock::now();
        {
            std::vector<char> memory(static_cast<size_t>(size));
            const int fd = ::open(path.toUtf8().constData(), O_RDONLY);
            size_t got = 0;
            while (got < memory.size()) {
                const ssize_t n = ::read(fd, memory.data() + got, memory.size() - got);
                if (n <= 0)
                    break;
                got += static_cast<size_t>(n);
            }
            ::close(fd);
            if (got != memory.size())
                std::printf("short read\n");
        }
        bestRead = std::min(bestRead, secondsSince(start));

        start = Clock::now();
        const long long bytes = fetch(port, "/big.pdf");
        bestFetch = std::min(bestFetch, secondsSince(start));
        if (bytes != size)
            std::printf("fetch got %lld of %lld bytes\n", bytes, static_cast<long long>(size));
    }
    const double mb = static_cast<double>(size) / (1024 * 1024);
    std::printf(
        "200 MB file: read into memory %.0f MB/s, fetched over loopback %.0f MB/s, ratio %.2fx (target >= 0.5x)\n",
        mb / bestRead, mb / bestFetch, bestRead / bestFetch);
    QFile::remove(path);
}

void manyClients(const QString& folder)
{
    const QString root = folder + "/many";
    QDir().mkpath(root);
    QFile page(root + "/index.html");
    page.open(QIODevice::WriteOnly);
    page.write(QByteArray("<!DOCTYPE html><html><body>") + QByteArray(2000, 'p') + "</body></html>");
    page.close();
    const qint64 fileSize = 5LL * 1024 * 1024;
    writeBytes(root + "/notes.docx", fileSize);

    Server server;
    const int port = server.startLoopback(root.toStdString());
    fetch(port, "/");  // warm up
    // The page alone, for comparison with the page under load.
    double alone = 1e9;
    for (int i = 0; i < 20; ++i) {
        const auto start = Clock::now();
        fetch(port, "/");
        alone = std::min(alone, secondsSince(start) * 1000);
    }

    std::atomic<bool> sampling{true};
    std::atomic<long> peakKb{0};
    const long baseKb = statusKb("VmRSS");
    std::thread sampler([&] {
        while (sampling) {
            peakKb = std::max(peakKb.load(), statusKb("VmRSS"));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });

    const int clients = 64;
    const int rounds = 4;
    std::vector<double> latencies(clients * rounds, -1);
    std::vector<bool> complete(clients, false);
    std::mutex mutex;
    std::condition_variable go;
    bool started = false;
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i) {
        threads.emplace_back([&, i] {
            {
                std::unique_lock<std::mutex> lock(mutex);
                go.wait(lock, [&] { return started; });
            }
            bool ok = true;
            for (int round = 0; round < rounds; ++round) {
                const auto start = Clock::now();
                const long long pageBytes = fetch(port, "/");
                latencies[static_cast<size_t>(i * rounds + round)] = secondsSince(start) * 1000;
                const long long fileBytes = fetch(port, "/notes.docx", "GET", "", true);
                ok = ok && pageBytes > 0 && fileBytes == fileSize;
            }
            complete[i] = ok;
        });
    }
    const auto start = Clock::now();
    {
        std::lock_guard<std::mutex> lock(mutex);
        started = true;
    }
    go.notify_all();
    for (auto& t : threads)
        t.join();
    const double total = secondsSince(start);
    sampling = false;
    sampler.join();

    std::sort(latencies.begin(), latencies.end());
    const int done = static_cast<int>(std::count(complete.begin(), complete.end(), true));
    const size_t samples = latencies.size();
    std::printf("64 clients (page + 5 MB file, %d rounds each): %d of %d complete in %.2f s, resident memory +%.1f MB "
                "(limit 64 MB), page latency p50 %.2f ms, p99 %.2f ms (target < 20 ms), alone %.2f ms\n",
                rounds, done, clients, total, (peakKb - baseKb) / 1024.0, latencies[samples / 2],
                latencies[samples * 99 / 100], alone);
}

QByteArray noiseJpeg(int side);

// A JPEG of noise of about `bytes` (at least that many).
QByteArray photoOf(qint64 bytes)
{
    const QByteArray probe = noiseJpeg(800);
    const double perPixel = static_cast<double>(probe.size()) / (800 * 600);
    int side = static_cast<int>(std::sqrt(bytes / perPixel * 4 / 3));
    for (;;) {
        QByteArray out = noiseJpeg(side);
        if (out.size() >= bytes)
            return out;
        side = side * 51 / 50;
    }
}

QByteArray noiseJpeg(int side)
{
    {
        QImage image(side, side * 3 / 4, QImage::Format_RGB32);
        QRandomGenerator random(7);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = random.generate() | 0xFF000000u;
        }
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPG", 95);
        return out;
    }
}

void uploads()
{
    createDataFolders();
    setIniValue(QStringLiteral("first_run"), 5);
    transfer::setEndpoint({"127.0.0.1", 0});
    transfer::setAddressProvider([](std::vector<std::string>& list) {
        list.push_back("127.0.0.1");
        return 0;
    });
    ModalRecorder modals;
    modals.setDialogResult(1);

    const QByteArray picture = photoOf(8LL * 1024 * 1024);
    const std::string body = "{\"returnCode\":0,\"filename\":\"photo.jpg\",\"img\":\"" +
                             picture.toBase64().toStdString() + "\"}";
    const int count = 20;

    httpUploadDialog dialog(nullptr);
    QElapsedTimer clock;
    clock.start();
    while (dialog.port() == 0 && clock.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const int port = dialog.port();
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    resetPeakMemory();
    const long baseKb = statusKb("VmRSS");
    std::atomic<int> answered{0};
    std::atomic<bool> finished{false};
    std::thread phone([&] {
        fetch(port, "/uploadTotalCount", "POST", "{\"total_number\":20}");
        for (int i = 0; i < count; ++i) {
            if (fetch(port, "/uploadfile", "POST", body) >= 0)
                ++answered;
        }
        finished = true;
    });
    const auto start = Clock::now();
    clock.restart();
    while ((!finished || dialog.getFiles().size() < count) && clock.elapsed() < 300000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    const double seconds = secondsSince(start);
    phone.join();
    const long peakKb = statusKb("VmHWM");
    const double bodyMb = static_cast<double>(body.size()) / (1024 * 1024);
    const double growthMb = (peakKb - baseKb) / 1024.0;
    std::printf("20 uploads of %.1f MB pictures (bodies %.1f MB): %d answered, %d listed in %.2f s, peak memory "
                "+%.1f MB = %.2fx one body (target <= 4x)\n",
                picture.size() / (1024.0 * 1024.0), bodyMb, answered.load(), static_cast<int>(dialog.getFiles().size()),
                seconds, growthMb, growthMb / bodyMb);
    for (const QString& file : dialog.getFiles())
        QFile::remove(file);
    dialog.reject();
}

void pictureCheck()
{
    QTemporaryDir dir(QDir::tempPath() + "/lorvane-bench-XXXXXX");
    const QByteArray picture = photoOf(8LL * 1024 * 1024);
    const std::string body = "{\"returnCode\":0,\"filename\":\"photo.jpg\",\"img\":\"" +
                             picture.toBase64().toStdString() + "\"}";
    const QByteArray base64 = picture.toBase64();
    UploadReceiver receiver(dir.path());
    double received = 1e9;
    double written = 1e9;
    bool kept = true;
    for (int round = 0; round < 5; ++round) {
        auto start = Clock::now();
        const UploadReceiver::Result result = receiver.receive("/uploadfile", body.data(), body.size());
        received = std::min(received, secondsSince(start));
        kept = kept && result.kind == UploadReceiver::Kind::File;
        QFile::remove(result.path);

        start = Clock::now();
        QFile file(dir.path() + "/plain.jpg");
        const QByteArray bytes = QByteArray::fromBase64(base64);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            file.write(bytes);
        file.close();
        written = std::min(written, secondsSince(start));
    }
    std::printf("one %.1f MB picture: received and checked in %.1f ms%s, decoded and written alone in %.1f ms, "
                "ratio %.2fx\n",
                picture.size() / (1024.0 * 1024.0), received * 1000, kept ? "" : " (REFUSED)", written * 1000,
                received / written);
}

}  // namespace

int main(int argc, char** argv)
{
    QTemporaryDir dir(QDir::tempPath() + "/lorvane-bench-XXXXXX");
    setenv("APPDATA", dir.path().toUtf8().constData(), 1);
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    const QString folder = dir.path() + "/files";
    QDir().mkpath(folder);
    largeFile(folder);
    manyClients(folder);
    uploads();
    pictureCheck();
    QDir::setCurrent(QDir::tempPath());
    return 0;
}
