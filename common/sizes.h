// Buffer sizes shared by every layer; their size is part of the program's behaviour.
#ifndef GLIMRA_SIZES_H
#define GLIMRA_SIZES_H

constexpr int kPathCapacity = 500;      // every path buffer, terminator included
constexpr int kStringCapacity = 100;    // strings 104 to 109
constexpr int kMessageCapacity = 1000;  // formatted message texts

#endif
