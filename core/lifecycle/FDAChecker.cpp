#include "core/lifecycle/FDAChecker.hpp"

#include <exception>

#include "core/messagesdb/SQLiteConnection.hpp"

namespace kindora::FDAChecker {

bool hasFullDiskAccess(const std::filesystem::path& chatDBPath) {
    try {
        const auto connection = SQLiteConnection::open(chatDBPath.string());
        connection.execute("SELECT 1 FROM message LIMIT 1");
        return true;
    } catch (const SQLiteError& error) {
        return error.isBusy();
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace kindora::FDAChecker
