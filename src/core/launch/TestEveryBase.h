#pragma once

#include <functional>

namespace orq {

class ListRow;
class ListStore;

// "Testar ORQDEF em todas": the product gets every base from a start row to the last one in
// turn. For each row: select it, enter it (orqcon.ini written, the product started), give the
// product time to open its wait window, wait while that window is open, then end every running
// product. The waits belong to the caller, which keeps the window painting meanwhile.
class TestEveryBase {
public:
    static constexpr int StartWaitMs = 1500;
    static constexpr int PollMs = 1000;

    struct Steps {
        // Selects the row and brings it into view.
        std::function<void(int row)> select;
        // Enters the selected base: true when the product started. A failed start has been
        // shown and the run goes on; an error thrown ends the run there.
        std::function<bool()> enter;
        // Waits this long; the window keeps painting.
        std::function<void(int ms)> wait;
        // Whether the product's wait window ("Aguarde...") is open.
        std::function<bool()> waitWindowOpen;
        // Ends every running product.
        std::function<void()> endProduct;
        // Asked after each base: true ends the run there.
        std::function<bool()> stopRequested;
        // Before each base: which one of how many (both from 1).
        std::function<void(int number, int total)> progress;
    };

    // The row the run starts at: the selected one, else the current base's, else the first;
    // -1 for an empty list.
    static int startRow(const ListStore& list, const ListRow* currentBase);

    // Tests rows start to count - 1; count is taken when the command starts, so rows added
    // meanwhile are not tested. Returns the number of bases entered.
    static int run(int start, int count, const Steps& steps);
};

} // namespace orq
