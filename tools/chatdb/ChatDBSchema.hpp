#pragma once

#include <string>
#include <vector>

// The layout of the four Messages tables the agent reads (`message`, `handle`, `chat`,
// `chat_message_join`), with every column and index of a real database. Messages' triggers are left
// out: they call SQL functions only Messages registers.
namespace kindora::ChatDBSchema {

const std::vector<std::string>& statements();

}  // namespace kindora::ChatDBSchema
