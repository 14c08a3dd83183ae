#pragma once

#include "modem/ModemLog.h"
#include "modem/TapiLine.h"

#include <QString>

#include <memory>
#include <vector>

namespace korvex {

struct LineInfo {
    int index;
    QString name;
};

// The lines a machine offers for calls. Only usable lines are listed; index -1 stands for
// the first of them.
class LineService {
public:
    virtual ~LineService() = default;
    virtual std::vector<LineInfo> Lines() = 0;
    // A new line object for the line of `index` (-1: the first), or nullptr.
    virtual std::unique_ptr<CTapiLine> CreateLine(int index, CTapiLineUser& user,
                                                  ModemLog& log) = 0;
};

}  // namespace korvex
