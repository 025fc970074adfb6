#include "ui/ErrorPath.h"

#include "core/EngineError.h"
#include "ui/MessageService.h"

namespace lesaro {

bool runOrShowError(QWidget* parent, const std::function<void()>& work) {
    try {
        work();
    } catch (const EngineError& e) {
        MessageService::error(parent, e.message());
        return false;
    }
    return true;
}

} // namespace lesaro
