#include "host/headless/one_ahead.h"

OneAhead::OneAhead() : thread_([this] { Serve(); }) {}

OneAhead::~OneAhead() {
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !job_; });
    closing_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void OneAhead::Run(std::function<void()> job) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !job_; });
  job_ = std::move(job);
  lock.unlock();
  changed_.notify_all();
}

void OneAhead::Wait() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !job_; });
}

void OneAhead::Serve() {
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
