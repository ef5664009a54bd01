#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "core/common/Date.hpp"

namespace kindora {

// The `kindora-appcast` program, the maintainers' tool for the update feed: `generate-key`,
// `public-key`, `sign` and `add`, run on its arguments (without the program name). Gives the exit
// status: 0 success, 1 failure, 2 bad usage.
class AppcastCommandLine {
public:
    AppcastCommandLine(std::ostream& out, std::ostream& err, Date now) : out_(out), err_(err), now_(now) {}

    int run(const std::vector<std::string>& arguments);

    static const char* usage();

private:
    int generateKey(const std::vector<std::string>& arguments);
    int publicKey(const std::vector<std::string>& arguments);
    int sign(const std::vector<std::string>& arguments);
    int add(const std::vector<std::string>& arguments);

    std::ostream& out_;
    std::ostream& err_;
    Date now_;
};

}  // namespace kindora
