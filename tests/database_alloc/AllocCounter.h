#pragma once
// Counts every allocation of this test program, so a test can show that a
// hot path allocates nothing. The replaced operators live in AllocCounter.cpp,
// once per program.
namespace alloccount {
long Allocations();
}
