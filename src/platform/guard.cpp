#include "platform/errors.h"
#include "platform/services.h"
#include "platform/text.h"

#include <new>

namespace tw {

void guarded(Messages& messages, const std::function<void()>& handler) {
    try {
        handler();
    } catch (const AppError& e) {
        messages.error(withFinalPeriod(e.what()));
    } catch (const std::bad_alloc&) {
        messages.error("Zu wenig Arbeitsspeicher");
    } catch (const std::exception& e) {
        messages.error(withFinalPeriod(e.what()));
    } catch (...) {
        messages.error("Unbekannter Fehler");
    }
}

} // namespace tw
