#include "core/backend/CurlConnection.hpp"

#include <curl/curl.h>

#include <memory>
#include <new>
#include <string>

#include "core/backend/BackendError.hpp"

namespace kindora {
namespace {

struct BodyBuffer {
    std::string body;
    std::size_t maximumBytes = 0;
    bool exceeded = false;
};

// Refuses the transfer as soon as the body would pass the cap, so a hostile answer is never buffered
// beyond it.
std::size_t appendBody(char* data, std::size_t size, std::size_t count, void* userData) {
    auto* buffer = static_cast<BodyBuffer*>(userData);
    const std::size_t bytes = size * count;
    if (buffer->body.size() + bytes > buffer->maximumBytes) {
        buffer->exceeded = true;
        return 0;
    }
    buffer->body.append(data, bytes);
    return bytes;
}

struct HeaderListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, HeaderListDeleter>;

void append(HeaderList& list, const std::string& line) {
    curl_slist* extended = curl_slist_append(list.get(), line.c_str());
    if (extended == nullptr) {
        throw std::bad_alloc();
    }
    list.release();
    list.reset(extended);
}

HeaderList headerList(const HTTPRequest& request) {
    HeaderList list;
    for (const auto& [name, value] : request.headers) {
        append(list, name + ": " + value);
    }
    // A header named with nothing after the colon removes one libcurl would add on its own: the
    // backend gets exactly the headers the client chose.
    append(list, "Accept:");
    append(list, "Expect:");
    return list;
}

void ensureGlobalInit() {
    static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (result != CURLE_OK) {
        throw BackendError::network(curl_easy_strerror(result));
    }
}

// Keeps the easy handle attached to the multi handle for the length of one transfer.
class Attachment {
public:
    Attachment(CURLM* multiHandle, CURL* easyHandle) : multi_(multiHandle), easy_(easyHandle) {
        const CURLMcode code = curl_multi_add_handle(multi_, easy_);
        if (code != CURLM_OK) {
            throw BackendError::network(curl_multi_strerror(code));
        }
    }
    ~Attachment() { curl_multi_remove_handle(multi_, easy_); }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

private:
    CURLM* multi_;
    CURL* easy_;
};

}  // namespace

struct CurlConnection::Handles {
    Handles() : easy(curl_easy_init()), multi(curl_multi_init()) {}
    ~Handles() {
        if (multi != nullptr) {
            curl_multi_cleanup(multi);
        }
        if (easy != nullptr) {
            curl_easy_cleanup(easy);
        }
    }
    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;

    CURL* easy;
    CURLM* multi;
};

CurlConnection::CurlConnection() {
    ensureGlobalInit();
    handles_ = std::make_unique<Handles>();
    if (handles_->easy == nullptr || handles_->multi == nullptr) {
        throw BackendError::network("Could not create an HTTP connection");
    }
}

CurlConnection::~CurlConnection() = default;

HTTPResponse CurlConnection::perform(const HTTPRequest& request, const CurlTransferSettings& settings,
                                     StopToken stop) {
    CURL* const easy = handles_->easy;
    CURLM* const multi = handles_->multi;
    // A reset forgets the previous request's options but keeps the multi handle's live connections.
    curl_easy_reset(easy);

    char errorBuffer[CURL_ERROR_SIZE] = {};
    BodyBuffer buffer;
    buffer.maximumBytes = settings.maximumBodyBytes;
    const HeaderList headers = headerList(request);

    curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, settings.timeoutMilliseconds);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    if (settings.caFile) {
        curl_easy_setopt(easy, CURLOPT_CAINFO, settings.caFile->c_str());
    }
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &appendBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &buffer);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(settings.maximumBodyBytes));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());

    if (request.method == "GET") {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    } else {
        if (request.method == "POST") {
            curl_easy_setopt(easy, CURLOPT_POST, 1L);
        } else {
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.method.c_str());
        }
        // libcurl reads the body during the transfer, so it must point into `request`, which outlives it.
        static const std::string noBody;
        const std::string& body = request.body ? *request.body : noBody;
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body.data());
    }

    CURLcode result = CURLE_OK;
    {
        const Attachment attachment(multi, easy);
        const auto wakeMulti = [multi] { curl_multi_wakeup(multi); };
        const StopCallback<decltype(wakeMulti)> wake(stop, wakeMulti);
        for (;;) {
            int running = 0;
            const CURLMcode code = curl_multi_perform(multi, &running);
            if (code != CURLM_OK) {
                throw BackendError::network(curl_multi_strerror(code));
            }
            if (running == 0) {
                break;
            }
            if (stop.stop_requested()) {
                throw BackendError::network("The request was cancelled");
            }
            curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
        }
        int pending = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &pending)) {
            if (message->msg == CURLMSG_DONE) {
                result = message->data.result;
            }
        }
    }

    if (buffer.exceeded || result == CURLE_FILESIZE_EXCEEDED) {
        throw BackendError::network("The response is larger than " +
                                    std::to_string(settings.maximumBodyBytes) + " bytes");
    }
    if (result != CURLE_OK) {
        throw BackendError::network(errorBuffer[0] != '\0' ? std::string(errorBuffer)
                                                           : curl_easy_strerror(result));
    }
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    if (status == 0) {
        throw BackendError::network("The server did not answer with an HTTP response");
    }
    return HTTPResponse{static_cast<int>(status), std::move(buffer.body)};
}

}  // namespace kindora
