// The running number of the image names, Settings.sequenceCounter: the number of the last numbered
// capture. These three are the only code that changes it, so every change is found here.
#ifndef GLIMRA_SEQUENCE_NUMBER_H
#define GLIMRA_SEQUENCE_NUMBER_H

// The reset command's: the next numbered capture is 1 again.
void resetSequenceCounter();
// A number chosen by the user, or stored in glimra.ini; one below 0 is taken as 0.
void setSequenceCounter(int number);
// Steps to the number the next image takes and answers it.
int advanceSequenceCounter();

#endif
