#pragma once

#include <cstdint>
#include <string>

// How a download reports its progress. Called on the downloading thread.
class CTransferProgress
{
public:
    // expectedBytes: the size the server announced, -1 when it gave none.
    virtual void OnBegin(std::int64_t expectedBytes) = 0;
    virtual void OnProgress(std::uint64_t receivedBytes) = 0;
    // complete: true only for a download that arrived whole and was written whole.
    virtual void OnEnd(bool complete) = 0;
    // The download waits seconds before it is tried again, for reason (the failure's words).
    virtual void OnRetryWait(std::int64_t /*seconds*/, const std::string& /*reason*/) {}
    virtual ~CTransferProgress() = default;
};
