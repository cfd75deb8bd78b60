#include "host/headless/background_writer.h"

#include <pthread.h>

#include <csignal>

BackgroundWriter::BackgroundWriter() : thread_([this] { Serve(); }) {
  pthread_setname_np(thread_.native_handle(), "quillmoor-write");
}

BackgroundWriter::~BackgroundWriter() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !job_; });
    closing_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundWriter::Run(std::function<void()> job) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !job_; });
  job_ = std::move(job);
  lock.unlock();
  changed_.notify_all();
}

bool BackgroundWriter::Idle(std::chrono::milliseconds wait) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, wait, [this] { return !job_; });
}

void BackgroundWriter::Interrupt(int signal) { pthread_kill(thread_.native_handle(), signal); }

void BackgroundWriter::Serve() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return closing_ || job_; });
    if (!job_) return;  // closing, with nothing left to do
    lock.unlock();
    job_();
    lock.lock();
    job_ = nullptr;
    changed_.notify_all();
  }
}
