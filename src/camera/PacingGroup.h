#pragma once

#include "camera/FramePacing.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace korvex {

// The cameras and playbacks of one program whose step costs pace each other.
class PacingGroup {
public:
    void Add(const FramePacing* member) { members_.push_back(member); }
    void Remove(const FramePacing* member) { std::erase(members_, member); }
    int64_t SumOfAveragesMs() const {
        int64_t sum = 0;
        for (const FramePacing* member : members_) {
            sum += member->AverageCostMs();
        }
        return sum;
    }

private:
    std::vector<const FramePacing*> members_;
};

}  // namespace korvex
