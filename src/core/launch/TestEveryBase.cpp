#include "launch/TestEveryBase.h"

#include "listview/ListStore.h"

namespace orq {

int TestEveryBase::startRow(const ListStore& list, const ListRow* currentBase) {
    if (const ListRow* selected = list.selectedRow())
        return selected->index();
    if (currentBase && currentBase->owner() == &list)
        return currentBase->index();
    return list.rowCount() > 0 ? 0 : -1;
}

int TestEveryBase::run(int start, int count, const Steps& steps) {
    if (start < 0)
        return 0;
    int entered = 0;
    for (int row = start; row < count; ++row) {
        steps.progress(row - start + 1, count - start);
        steps.select(row);
        ++entered;
        if (steps.enter()) {
            steps.wait(StartWaitMs);
            while (steps.waitWindowOpen())
                steps.wait(PollMs);
            steps.endProduct();
        }
        if (steps.stopRequested())
            break;
    }
    return entered;
}

} // namespace orq
