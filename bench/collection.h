// A collection of hospital size for the benchmarks, built in memory.
#pragma once

#include "store/collection.h"

namespace bench {

struct Size {
    int departs, patients, records;
};
// The collection the benchmarks measure the store and the program at.
constexpr Size kFull{1000, 100000, 1000000};

// Patients spread over the departments and records over the patients
// round-robin; every number unique. Free it with FreeCollection.
DEPART_NODE* BuildCollection(Size s);

// The monotonic clock in seconds (<chrono> does not build with GBK string
// literals).
double Now();

}  // namespace bench
