#include "tools/devserver/StateFile.hpp"

#include "core/common/AtomicFile.hpp"
#include "core/common/JsonCoding.hpp"
#include "tools/devserver/HouseholdJson.hpp"

namespace kindora::devserver {

StateFile::StateFile(std::filesystem::path path) : path_(std::move(path)) {}

std::optional<HouseholdSnapshot> StateFile::load() const {
    std::optional<std::string> contents;
    try {
        contents = AtomicFile::read(path_);
    } catch (const std::exception& error) {
        throw StateFileError("Cannot read the state file " + path_.string() + ": " + error.what());
    }
    if (!contents) {
        return std::nullopt;
    }
    try {
        return HouseholdJson::decodeState(JsonCoding::parse(*contents));
    } catch (const RecordDecodingError& error) {
        throw StateFileError("The state file " + path_.string() + " is not a household: " + error.what());
    }
}

void StateFile::save(const HouseholdSnapshot& snapshot) const {
    AtomicFile::write(path_, JsonCoding::encode(HouseholdJson::encodeState(snapshot)) + "\n");
}

}  // namespace kindora::devserver
