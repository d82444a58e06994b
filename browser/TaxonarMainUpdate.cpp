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
#include <QUrl>
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace taxonar {

using namespace platform;

namespace {

// ------------------------------------------------------ the HTTP client

class QtHTTPClient final : public TTaxonarMainForm::THTTPClient {
public:
    QtHTTPClient(const AnsiString &host, int port, int timeoutMs)
        : host_(host), port_(port), timeoutMs_(timeoutMs)
    {
    }

    AnsiString Get(const AnsiString &path) override
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
        request.setTransferTimeout(timeoutMs_);

        std::unique_ptr<QNetworkReply> reply(manager_->get(request));
        if (!reply->isFinished()) {
            QEventLoop loop;
            QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
            if (!reply->isFinished())
                loop.exec(QEventLoop::ExcludeUserInputEvents);
        }
        if (reply->error() != QNetworkReply::NoError)
            throw Exception(reply->errorString().toStdString());
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status < 200 || status > 299)
            throw Exception("HTTP/1.1 " + IntToStr(status));
        const QByteArray body = reply->readAll();
        return AnsiString(body.constData(), size_t(body.size()));
    }

private:
    AnsiString host_;
    int port_;
    int timeoutMs_;
    std::unique_ptr<QNetworkAccessManager> manager_;
};

// Writes the bytes as the whole file (created or truncated); a file that
// could not be written whole is deleted. Raises on failure.
void writeWholeFile(const AnsiString &path, const AnsiString &bytes)
{
    try {
        TFileStream out(path, fmCreate);
        size_t done = 0;
        while (done < bytes.size()) {
            const int32_t part = int32_t(std::min<size_t>(bytes.size() - done, size_t(1) << 30));
            if (out.Write(bytes.data() + done, part) != part)
                throw EWriteError("Stream write error");
            done += size_t(part);
        }
    } catch (...) {
        DeleteFile(path);
        throw;
    }
}

} // namespace

std::unique_ptr<TTaxonarMainForm::THTTPClient>
TTaxonarMainForm::NewHTTPClient(const AnsiString &host, int port, int timeoutMs)
{
    return std::make_unique<QtHTTPClient>(host, port, timeoutMs);
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
    // The converted bytes go to a file beside the destination, which takes
    // its place only once it is complete.
    const AnsiString partial = destination + ".part";
    bool partialMade = false;
    try {
        TFileStream in(source, fmOpenRead | fmShareDenyWrite);
        const int64_t size = in.Size();
        if (size == 0)
            return true;

        std::array<uint8_t, 256> key{};
        const int32_t keyLength = int32_t(std::min<int64_t>(size, 256));
        if (in.Read(key.data(), keyLength) != keyLength)
            throw EReadError("Stream read error");

        {
            TFileStream out(partial, fmCreate);
            partialMade = true;
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
                if (out.Write(buffer.data(), n) != n)
                    throw EWriteError("Stream write error");
                position += n;
            }
        }
        if (!RenameFile(partial, destination))
            throw EInOutError("Cannot rename " + partial, 0);
        return true;
    } catch (...) {
        if (partialMade)
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
                text = TaxonarHTTP->Get(UpdateInstallPath);
                writeWholeFile(newFile, text);
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
