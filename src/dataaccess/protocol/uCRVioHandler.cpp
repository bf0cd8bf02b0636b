#include "dataaccess/protocol/uCRVioHandler.h"

namespace dataaccess {

TCRVioHandler::TCRVioHandler(TCRIOHandler* handler, std::string host, int port, std::string keyFile,
                             std::string certFile, std::string caFile)
    : handler_(handler), host_(std::move(host)), port_(port), keyFile_(std::move(keyFile)),
      certFile_(std::move(certFile)), caFile_(std::move(caFile)) {
    RTL_ASSERT(handler_);
}

TCRVioHandler::~TCRVioHandler() {
    Close();
}

int TCRVioHandler::GetTimeout() const {
    return handle_ ? handler_->GetTimeout(handle_) : timeout_;
}

void TCRVioHandler::SetTimeout(int seconds) {
    if (handle_)
        handler_->SetTimeout(handle_, seconds);
    else
        timeout_ = seconds;
}

void TCRVioHandler::Connect() {
    TCRVio::Connect();
    RTL_ASSERT(handle_ == 0);
    handle_ = handler_->Connect(host_, port_, keyFile_, certFile_, caFile_);
    if (timeout_ > 0) handler_->SetTimeout(handle_, timeout_);
}

void TCRVioHandler::Close() {
    if (!handle_) return;
    const TCRIOHandle handle = handle_;
    handle_ = 0;
    handler_->Disconnect(handle);
}

int TCRVioHandler::ReadNoWait(uint8_t* buffer, int offset, int count) {
    return handler_->ReadNoWait(handle_, buffer, offset, count);
}

int TCRVioHandler::WriteNoWait(const uint8_t*, int, int) {
    RTL_ASSERT_MSG(false, "Not implemented");
    return 0;
}

int TCRVioHandler::Read(uint8_t* buffer, int offset, int count) {
    return handler_->Read(handle_, buffer, offset, count);
}

int TCRVioHandler::Write(const uint8_t* buffer, int offset, int count) {
    return handler_->Write(handle_, buffer, offset, count);
}

} // namespace dataaccess
