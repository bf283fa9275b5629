#pragma once
// One thread that runs the jobs posted to it one after the other, away from the caller; started
// with the first job (or a later one, when it could not be then).
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>

namespace kp::audio {

class JobThread {
public:
    JobThread() = default;
    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;
    ~JobThread() { stop(); }

    // Whether `job` will run: not once stopped, nor while no thread can be started for it.
    bool post(std::function<void()> job) {
        {
            std::lock_guard lock(mutex_);
            if (quit_) return false;
            if (!worker_.joinable()) {
                try {
                    worker_ = std::thread([this] { run(); });
                } catch (const std::system_error&) {
                    return false;
                }
            }
            jobs_.push_back(std::move(job));
        }
        wake_.notify_one();
        return true;
    }

    // Drops what is still waiting and ignores later jobs; returns once none is running (at once
    // when called from a job).
    void stop() {
        std::deque<std::function<void()>> dropped;
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
            dropped.swap(jobs_);
        }
        end();
    }

    // Runs what is still waiting, ignores later jobs, and returns once the thread has ended (at
    // once when called from a job).
    void finish() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        end();
    }

private:
    void end() {
        wake_.notify_all();
        if (worker_.joinable()) {
            if (worker_.get_id() == std::this_thread::get_id())
                worker_.detach();
            else
                worker_.join();
        }
    }

    void run() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [this] { return quit_ || !jobs_.empty(); });
                if (jobs_.empty()) return;  // told to quit, and nothing left to run
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            job();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool quit_ = false;
    std::thread worker_;
};

}  // namespace kp::audio
