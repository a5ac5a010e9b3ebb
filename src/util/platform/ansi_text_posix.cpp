#include <atomic>
#include <memory>

#include "util/platform/ansi_text.h"
#include "util/gbk_encoder.h"
#include "util/module_object.h"

namespace kavo {
namespace {

// One converter kept between conversions: opening one costs more than
// converting a short text. A thread that finds it taken opens its own.
class SpareEncoder {
public:
    SpareEncoder() = default;
    ~SpareEncoder() { delete slot_.exchange(nullptr); }
    SpareEncoder(const SpareEncoder&) = delete;
    SpareEncoder& operator=(const SpareEncoder&) = delete;

    std::unique_ptr<GbkEncoder> Take() {
        if (GbkEncoder* kept = slot_.exchange(nullptr)) return std::unique_ptr<GbkEncoder>(kept);
        return std::make_unique<GbkEncoder>();
    }
    void Return(std::unique_ptr<GbkEncoder> encoder) {
        GbkEncoder* empty = nullptr;
        if (slot_.compare_exchange_strong(empty, encoder.get())) encoder.release();
    }

private:
    std::atomic<GbkEncoder*> slot_{nullptr};
};

ModuleObject<SpareEncoder> spareEncoder;

}  // namespace

bool WideToAnsi(const std::u16string& input, std::string& output) {
    output.clear();
    if (input.empty()) return false;
    std::unique_ptr<GbkEncoder> encoder = spareEncoder.Get().Take();
    if (!encoder->Encode(input, output)) {
        output.clear();
        return false;
    }
    spareEncoder.Get().Return(std::move(encoder));
    return true;
}

bool AnsiConversionAvailable() { return GbkEncoder().Available(); }

}  // namespace kavo
