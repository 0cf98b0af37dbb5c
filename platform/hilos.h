// Independent evaluations on every core: the number of threads and a parallel loop over indices.
//
// The loop runs tasks that write their results into per-index storage of the caller; the
// caller then reads them in index order, so that what it writes (files, console lines) comes
// in the order of a plain loop. Tasks must not share anything they change.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>

// The threads for independent evaluations: the value fixed with FijarNumeroDeHilos, otherwise
// HilosDelEntorno of the environment variable AERONDA_HILOS and the cores the machine reports,
// read once per process. At least 1.
int32_t NumeroDeHilos();
// The number of threads an AERONDA_HILOS text asks for: a whole number of at least 1 written
// with digits only; 0 for anything else (and for no text).
int32_t HilosDeTexto(const char* texto);
// The threads the environment gives, for `nucleos` as std::thread::hardware_concurrency
// reports them: what the text asks for (1: everything on the calling thread), but no more than
// four per core, since each thread holds a whole copy of the model it evaluates; every core
// when the text asks for nothing (unset, empty, not a whole number or below 1). A machine that
// reports 0 (it does not know) counts as one core: 1 thread by default, at most 4 when asked.
// More than 1024 cores count as 1024.
int32_t HilosDelEntorno(const char* texto, unsigned nucleos);
// Fixes the number of threads from code (tests, benchmarks), without the bound of the
// environment; 0 goes back to the environment.
void FijarNumeroDeHilos(int32_t n);
// The threads ParaCadaIndice uses for n indices: min(NumeroDeHilos(), n), at least 1.
int32_t HilosPara(int32_t n);

// Runs tarea(i, hilo) once for every i in 0 .. n - 1, on HilosPara(n) threads: hilo 0 is the
// calling thread, 1 .. h - 1 threads started for the loop and joined before it returns. Each
// thread takes the indices in increasing order from a shared counter. After a task throws, no
// thread starts an index above the failing one; when all have ended, the exception of the
// lowest failing index is rethrown (the one a plain loop meets first). With one thread the
// loop is a plain loop on the calling thread and the first exception passes at once.
// `hilos` above 0 sets the number of threads instead (still at most n), for callers that
// prepare per-thread state beforehand.
void ParaCadaIndice(int32_t n, const std::function<void(int32_t i, int32_t hilo)>& tarea,
                    int32_t hilos = 0);

// The console of the code that evaluates models: std::cout, except inside ParaCadaIndice run
// on more than one thread, where what is written is dropped (on every thread of the loop, the
// calling one included). Code run there that would write (a warning before an exception) must
// be run again by the caller on its own thread, in order, to have its lines written.
std::ostream& Consola();

// Console writes dropped on the current thread while an object lives (ParaCadaIndice sets it
// on its threads).
class ConsolaSilenciada {
 public:
  ConsolaSilenciada();
  ~ConsolaSilenciada();
  ConsolaSilenciada(const ConsolaSilenciada&) = delete;
  ConsolaSilenciada& operator=(const ConsolaSilenciada&) = delete;

 private:
  bool anterior_;
};
