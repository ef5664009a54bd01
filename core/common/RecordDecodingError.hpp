#pragma once

#include <stdexcept>
#include <string>

namespace kindora {

// A JSON text or value that is not the record it should be: malformed or too deeply nested JSON, a
// missing required key, a value of the wrong type, an unknown enumeration value, a bad date. The
// description names the record and key but never repeats a text value (it could be message content).
// The backend client reports it as BackendError::decoding; the development server as a 400.
class RecordDecodingError : public std::runtime_error {
public:
    explicit RecordDecodingError(const std::string& description) : std::runtime_error(description) {}
};

}  // namespace kindora
