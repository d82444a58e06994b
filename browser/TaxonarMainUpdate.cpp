// The main window's update check and the conversion of the downloaded
// installer (see the update block of TaxonarMainCode.h).
#include "browser/TaxonarAboutCode.h"
#include "browser/TaxonarMainCode.h"
#include "browser/TaxonarQueryCode.h"
#include "platform/Classes.h"
#include "platform/SysUtils.h"

#include <QByteArray>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <functional>
#include <unistd.h>
#include <vector>

namespace taxonar {

using namespace platform;

namespace {

// ------------------------------------------------------ the HTTP client

class QtHTTPClient final : public TTaxonarMainForm::THTTPClient {
public:
    QtHTTPClient(const AnsiString &host, int port, const TTaxonarMainForm::THTTPLimits &limits)
        : host_(host), port_(port), limits_(limits)
    {
    }

    AnsiString Get(const AnsiString &path) override
    {
        AnsiString body;
        request(path, limits_.MaxTextBytes, [&body](const char *data, int32_t n) { body.append(data, size_t(n)); });
        return body;
    }

    void Download(const AnsiString &path, const AnsiString &fileName) override
    {
        // The file is made new: whatever already has the name (the command
        // deletes its own file first), a link included, fails the download
        // rather than being written through.
        const int fd = CreateNewFile(fileName);
        if (fd < 0)
            throw EFCreateError("Cannot create file \"" + PathToText(fileName) + "\". " + std::strerror(errno));
        try {
            request(path, limits_.MaxFileBytes, [fd](const char *data, int32_t n) {
                if (!WriteAllBytes(fd, data, size_t(n)))
                    throw EWriteError("Stream write error");
            });
        } catch (...) {
            ::close(fd);
            DeleteFile(fileName);
            throw;
        }
        if (::close(fd) != 0) {
            DeleteFile(fileName);
            throw EWriteError("Stream write error");
        }
    }

private:
    // Runs one GET and hands the body to the sink piece by piece as it
    // arrives. Raises when the request fails, falls silent, passes its
    // deadline, answers other than 2xx, or its body exceeds maxBytes (also
    // when the sink raises); the sink may then have had part of the body.
    void request(const AnsiString &path, int64_t maxBytes, const std::function<void(const char *, int32_t)> &sink)
    {
        if (!manager_) {
            manager_ = std::make_unique<QNetworkAccessManager>();
            manager_->setProxy(QNetworkProxy::NoProxy);
        }
        QUrl url;
        url.setScheme("http");
        url.setHost(QString::fromLatin1(host_.data(), qsizetype(host_.size())));
        url.setPort(port_);
        url.setPath(QString::fromLatin1(path.data(), qsizetype(path.size())));
        if (!url.isValid())
            throw Exception("Invalid address: " + path);

        QNetworkRequest request(url);
        request.setRawHeader("Accept", "text/html, */*");
        request.setHeader(QNetworkRequest::UserAgentHeader,
                          QByteArray("Mozilla/3.0 (compatible; Indy Library)"));
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
        request.setTransferTimeout(limits_.SilenceMs);

        std::unique_ptr<QNetworkReply> reply(manager_->get(request));
        // The reply buffers no more than this; the rest waits in the socket.
        constexpr int32_t chunk = 65536;
        reply->setReadBufferSize(chunk);

        QEventLoop loop;
        AnsiString failure;
        int64_t received = 0;
        auto fail = [&](const AnsiString &why) {
            if (failure.empty())
                failure = why;
            reply->abort();
        };
        auto tooLarge = [&] { fail("Response larger than " + IntToStr(maxBytes) + " bytes"); };
        auto checkHead = [&] {
            const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
            if (length.isValid() && length.toLongLong() > maxBytes)
                tooLarge();
        };
        auto drain = [&] {
            std::vector<char> buffer(chunk);
            while (failure.empty() && reply->isOpen()) {
                const qint64 n = reply->read(buffer.data(), chunk);
                if (n <= 0)
                    break;
                received += n;
                if (received > maxBytes) {
                    tooLarge();
                    break;
                }
                try {
                    sink(buffer.data(), int32_t(n));
                } catch (const std::exception &e) {
                    fail(e.what());
                }
            }
        };
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, [&] { fail("Request deadline passed"); });
        QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &loop, checkHead);
        QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, drain);
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        deadline.start(limits_.DeadlineMs);
        if (!reply->isFinished())
            loop.exec(QEventLoop::ExcludeUserInputEvents);
        deadline.stop();
        drain();
        if (!failure.empty())
            throw Exception(failure);
        if (reply->error() != QNetworkReply::NoError)
            throw Exception(reply->errorString().toStdString());
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status < 200 || status > 299)
            throw Exception("HTTP/1.1 " + IntToStr(status));
    }

    AnsiString host_;
    int port_;
    TTaxonarMainForm::THTTPLimits limits_;
    std::unique_ptr<QNetworkAccessManager> manager_;
};

} // namespace

std::unique_ptr<TTaxonarMainForm::THTTPClient>
TTaxonarMainForm::NewHTTPClient(const AnsiString &host, int port, const THTTPLimits &limits)
{
    return std::make_unique<QtHTTPClient>(host, port, limits);
}

// ------------------------------------------------------- version numbers

void TTaxonarMainForm::ParseUpdateVersion(const AnsiString &text, int &major, int &minor, int &build)
{
    AnsiString rest = text;
    auto next = [&rest]() {
        // The field before the first ";" (all of an empty one when there is
        // none), then the text after it.
        const size_t semi = rest.find(';');
        const AnsiString field = semi == AnsiString::npos ? AnsiString() : rest.substr(0, semi);
        rest = semi == AnsiString::npos ? AnsiString() : rest.substr(semi + 1);
        return StrToInt(field);
    };
    try {
        major = next();
        minor = next();
        build = next();
    } catch (const EConvertError &) {
        major = 0;
        minor = 0;
        build = 0;
    }
}

bool TTaxonarMainForm::IsNewerVersion(int major, int minor, int build)
{
    if (major > ProgramMajorVersion)
        return true;
    const int64_t running = int64_t(ProgramMinorVersion) * 1000 + ProgramBuildNumber;
    return major == ProgramMajorVersion && int64_t(minor) * 1000 + int64_t(build) > running;
}

// ------------------------------------------------------ file conversion

bool TTaxonarMainForm::UnscrambleUpdateFile(const AnsiString &source, const AnsiString &destination)
{
    // The converted bytes go to a new file beside the destination, which
    // takes its place only once it is complete.
    AnsiString partial; // set once that file is made
    int partialFd = -1;
    try {
        TFileStream in(source, fmOpenRead | fmShareDenyWrite);
        const int64_t size = in.Size();
        if (size == 0)
            return true;

        std::array<uint8_t, 256> key{};
        const int32_t keyLength = int32_t(std::min<int64_t>(size, 256));
        if (in.Read(key.data(), keyLength) != keyLength)
            throw EReadError("Stream read error");

        partialFd = CreateTempFileBeside(destination, partial);
        if (partialFd < 0)
            throw EFCreateError("Cannot create file \"" + PathToText(destination) + "\". " + std::strerror(errno));
        std::vector<uint8_t> buffer(65536);
        uint32_t k = 0;
        int64_t position = keyLength;
        while (position < size) {
            const int32_t n = int32_t(std::min<int64_t>(size - position, 65536));
            if (in.Read(buffer.data(), n) != n)
                throw EReadError("Stream read error");
            for (int32_t i = 0; i < n; ++i) {
                ++k;
                buffer[size_t(i)] ^= key[k % 256];
            }
            if (!WriteAllBytes(partialFd, buffer.data(), size_t(n)))
                throw EWriteError("Stream write error");
            position += n;
        }
        const int fd = partialFd;
        partialFd = -1;
        if (::close(fd) != 0)
            throw EWriteError("Stream write error");
        if (!RenameFile(partial, destination))
            throw EInOutError("Cannot rename " + PathToText(partial), 0);
        return true;
    } catch (...) {
        if (partialFd >= 0)
            ::close(partialFd);
        if (!partial.empty())
            DeleteFile(partial);
        return false;
    }
}

// ------------------------------------------------------------ the command

void TTaxonarMainForm::TaxonarHelpUpdateMenuItemClick(TObject *)
{
    DisableControls();
    auto finish = [this] {
        EnableControls();
        UpdateMenus();
    };
    try {
        Application->ProcessMessages();

        const AnsiString newFile = AppDir + UpdateNewFileName;
        const AnsiString exeFile = AppDir + UpdateExeFileName;
        DeleteFile(newFile);
        DeleteFile(exeFile);
        DeleteFile(exeFile + ".part");

        if (!TaxonarHTTP)
            TaxonarHTTP = NewHTTPClient(UpdateServerHost);

        AnsiString text;
        try {
            text = TaxonarHTTP->Get(UpdateVersionPath);
        } catch (...) {
            text.clear();
        }

        int major = 0, minor = 0, build = 0;
        ParseUpdateVersion(text, major, minor, build);
        const bool newer = IsNewerVersion(major, minor, build);

        if (newer) {
            try {
                TaxonarHTTP->Download(UpdateInstallPath, newFile);
            } catch (...) {
                // Swallowed: no installer follows.
            }
            if (FileExists(newFile))
                UnscrambleUpdateFile(newFile, exeFile);
            DeleteFile(newFile);
        }

        bool offered = false;
        if (newer && FileExists(exeFile)) {
            // An empty installer (a download of no more than the key) is not
            // worth ending the program for.
            bool empty = true;
            try {
                TFileStream probe(exeFile, fmOpenRead | fmShareDenyNone);
                empty = probe.Size() == 0;
            } catch (const Exception &) {
            }
            if (empty) {
                DeleteFile(exeFile);
            } else {
                offered = true;
                std::unique_ptr<TTaxonarQueryForm> query(new TTaxonarQueryForm(Application));
                TaxonarQueryForm = query.get();
                query->TaxonarQueryText->SetCaption(
                    Pl("Znaleziono oraz pobrano aktualizację programy. Czy chcesz ją zainstalować ?"));
                TModalResult answer = mrNone;
                try {
                    answer = query->ShowModal();
                } catch (...) {
                    TaxonarQueryForm = nullptr;
                    throw;
                }
                TaxonarQueryForm = nullptr;
                query.reset();
                if (answer == mrOk) {
                    ShellExecute("open", UpdateExeFileName, "", AppDir, 1);
                    if (UpdateTerminate)
                        UpdateTerminate();
                    else
                        Application->Terminate();
                }
            }
        }
        if (!offered)
            ShowSearchMessage(Pl("Brak dostępnych aktualizacji. Program jest aktualny."));
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

} // namespace taxonar
