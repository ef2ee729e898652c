// The running number of the image names and the only code that changes it.
#include "sequence_number.h"

#include <climits>

#include "settings.h"

void resetSequenceCounter() {
    Settings.sequenceCounter = 0;
}

// No image name carries a negative number.
void setSequenceCounter(int number) {
    Settings.sequenceCounter = number < 0 ? 0 : number;
}

// After the largest number numbering starts again at 1, and so does a counter below 0 (set by
// hand): no image name ever carries a negative number.
int advanceSequenceCounter() {
    const int number = Settings.sequenceCounter;
    Settings.sequenceCounter = number >= 0 && number < INT_MAX ? number + 1 : 1;
    return Settings.sequenceCounter;
}
