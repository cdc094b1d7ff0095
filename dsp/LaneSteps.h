// The vector loops the signal core may run: the channel pair's lock-step loop and the cycle
// analysis' scan. All of them give the same samples, and tests hold each against the others.
//   best: the best the processor runs, AVX-512 where it has it, else AVX2;
//   avx2: AVX2 even where AVX-512 would run;
//   sse2: SSE2 alone, which every x86-64 processor has (the pair two samples at a time).
// Where the processor lacks what a loop needs, the next narrower one runs. Plain values: any
// thread may hold and pass them.
#pragma once

enum class LaneSteps { best, avx2, sse2 };
