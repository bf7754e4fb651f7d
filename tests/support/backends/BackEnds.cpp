// Every back end the scenarios run over: a new one added here gets every scenario.
#include "backends/BackEnds.h"

namespace testing_support {

std::vector<BackEnd> allBackEnds() {
    return {framedBackEnd(), pcscBackEnd()};
}

} // namespace testing_support
