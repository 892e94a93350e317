#pragma once

#include <cstddef>
#include <cstdint>

namespace quabrel {

// Somewhere other programs can take the adjusted frames from. Publish runs
// on the streaming thread and must never wait for whoever reads.
class FramePublisher {
public:
    virtual ~FramePublisher() = default;
    virtual void Publish(const uint8_t* frame, std::size_t length) = 0;
};

}  // namespace quabrel
