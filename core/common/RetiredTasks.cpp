#include "core/common/RetiredTasks.hpp"

#include <algorithm>
#include <utility>

namespace kindora {

void RetiredTasks::retire(std::unique_ptr<BackgroundTask> task) {
    std::erase_if(tasks_, [](const auto& retired) { return retired->isFinished(); });
    if (task) {
        task->cancel();
        tasks_.push_back(std::move(task));
    }
}

}  // namespace kindora
