#pragma once
// The progress stepping rule shared by every pass over N items.
#include <cstdint>

#include "tesmora/document/host.h"

namespace tesmora {

class ProgressStepper {
  public:
    // Range 0 .. n / 100, position 0.
    ProgressStepper(IProgressSink& sink, std::int64_t n) : sink_(sink), n_(n) {
        sink_.SetRange(static_cast<int>(n / 100));
        sink_.SetPos(0);
    }
    ~ProgressStepper() { sink_.SetPos(0); }
    ProgressStepper(const ProgressStepper&) = delete;
    ProgressStepper& operator=(const ProgressStepper&) = delete;

    // After the k-th item (k from 1): every item below 1,000 items in all,
    // otherwise only at multiples of 100.
    void Step(std::int64_t k) {
        if (n_ < 1000 || k % 100 == 0) sink_.SetPos(static_cast<int>(k / 100));
    }

  private:
    IProgressSink& sink_;
    std::int64_t n_;
};

}  // namespace tesmora
