#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "core/common/Date.hpp"

namespace kindora {

// The `kindora-chatdb` program: `create`, `append`, `inbound` and `decode`, run on its arguments
// (without the program name). Gives the exit status: 0 success, 1 failure, 2 bad usage.
class ChatDBCommandLine {
public:
    ChatDBCommandLine(std::ostream& out, std::ostream& err, Date now) : out_(out), err_(err), now_(now) {}

    int run(const std::vector<std::string>& arguments);

    static const char* usage();

private:
    int create(const std::vector<std::string>& arguments);
    int append(const std::vector<std::string>& arguments);
    int inbound(const std::vector<std::string>& arguments);
    int decode(const std::vector<std::string>& arguments);

    std::ostream& out_;
    std::ostream& err_;
    Date now_;
};

}  // namespace kindora
