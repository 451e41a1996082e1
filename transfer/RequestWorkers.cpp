#include "transfer/RequestWorkers.h"

#include <event2/event.h>
#include <event2/http.h>

#include <malloc.h>

#include <utility>

RequestWorkers::RequestWorkers(event_base* base, int threads, Handler handler, Reply reply)
    : handler_(std::move(handler)), reply_(std::move(reply))
{
    delivered_ = event_new(base, -1, 0, &RequestWorkers::deliver, this);
    if (!delivered_)
        return;
    for (int i = 0; i < threads; ++i) {
        try {
            threads_.emplace_back([this] { work(); });
        } catch (const std::exception&) {
            break;  // the threads there are serve
        }
    }
}

RequestWorkers::~RequestWorkers()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    queued_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
    if (delivered_)
        event_free(delivered_);
}

void RequestWorkers::submit(evhttp_request* req, std::string uri, std::string body)
{
    auto job = std::make_shared<Job>();
    job->req = req;
    job->connection = evhttp_request_get_connection(req);
    job->uri = std::move(uri);
    job->body = std::move(body);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_.push_back(job);
        live_.push_back(job);
    }
    queued_.notify_one();
}

void RequestWorkers::connectionClosing(evhttp_connection* connection)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (const JobPtr& job : live_) {
        // A request the connection still holds is freed with it; one it let
        // go of (its connection failed) waits for its answer.
        if (job->req && job->connection == connection && evhttp_request_get_connection(job->req) == connection)
            job->req = nullptr;
    }
}

void RequestWorkers::work()
{
    for (;;) {
        JobPtr job;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            queued_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_)
                return;
            job = waiting_.front();
            waiting_.pop_front();
        }
        int status = 500;
        try {
            status = handler_(job->uri, job->body);
        } catch (...) {
        }
        // A body of several megabytes goes back to the system at once.
        const bool large = job->body.size() >= (1u << 20);
        std::string().swap(job->body);
        if (large)
            ::malloc_trim(0);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job->status = status;
            done_.push_back(job);
        }
        // The base is made thread-safe (evthread_use_pthreads): the loop
        // wakes up and runs deliver().
        event_active(delivered_, EV_READ, 1);
    }
}

void RequestWorkers::deliver(evutil_socket_t, short, void* arg)
{
    auto* self = static_cast<RequestWorkers*>(arg);
    std::deque<JobPtr> done;
    {
        std::lock_guard<std::mutex> lock(self->mutex_);
        done.swap(self->done_);
        for (const JobPtr& job : done)
            self->live_.remove(job);
    }
    for (const JobPtr& job : done) {
        if (job->req)
            self->reply_(job->req, job->status);
    }
}
