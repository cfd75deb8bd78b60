// One job at a time on a second thread, so that the next frame renders while
// the last one is encoded and written: the jobs run in the order given, and
// at most one runs or waits at a time, so memory holds at most the picture
// being written and the one being drawn.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class BackgroundWriter {
 public:
  BackgroundWriter();
  ~BackgroundWriter();  // waits for the job in hand
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Hands `job` to the thread, first waiting for the job before it.
  void Run(std::function<void()> job);
  // Waits up to `wait` for the job in hand, if any, to end; whether it has.
  bool Idle(std::chrono::milliseconds wait);
  // Sends `signal` to the thread, whose handler then interrupts a write
  // it is blocked in.
  void Interrupt(int signal);

 private:
  void Serve();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::function<void()> job_;  // empty when the thread is idle
  bool closing_ = false;
  std::thread thread_;
};
