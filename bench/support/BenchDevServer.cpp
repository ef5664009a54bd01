#include "bench/support/BenchDevServer.hpp"

#include <curl/curl.h>

#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace kindora::bench {

void adminPost(const std::string& url) {
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, "{}");
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char*, size_t size, size_t count, void*) { return size * count; });
    long status = 0;
    const CURLcode result = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (result != CURLE_OK || status != 200) {
        throw std::runtime_error("admin call failed: " + url);
    }
}

PairingCreateResponse pairConfirmedDevice(const std::string& origin, BackendClient& client) {
    const auto pairing = client.createPairing("bench-mac", "bench");
    adminPost(origin + "/admin/pairings/" + pairing.code + "/confirm");
    return pairing;
}

long processStatusKilobytes(std::string_view field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field)) {
            return std::atol(line.c_str() + field.size());
        }
    }
    return -1;
}

long residentKilobytes() {
    return processStatusKilobytes("VmRSS:");
}

}  // namespace kindora::bench
