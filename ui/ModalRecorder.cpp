#include "ui/ModalRecorder.h"

#include <QDialog>

#include <algorithm>

ModalRecorder::ModalRecorder(int messageAnswer) : messageAnswer_(messageAnswer)
{
    previous_ = modal::setHandler([this](const modal::Request& request) { return answer(request); });
}

ModalRecorder::~ModalRecorder()
{
    modal::setHandler(std::move(previous_));
}

void ModalRecorder::setDialogResult(int result)
{
    onDialog_ = [result](QDialog&) { return result; };
}

modal::Answer ModalRecorder::answer(const modal::Request& request)
{
    requests_.push_back(request);
    modal::Answer answer;
    switch (request.kind) {
    case modal::Kind::Dialog: answer.result = onDialog_ ? onDialog_(*request.dialog) : 0; break;
    case modal::Kind::Message: answer.result = messageAnswer_; break;
    case modal::Kind::OpenFile:
    case modal::Kind::OpenFiles:
    case modal::Kind::SaveFile:
    case modal::Kind::Directory: answer.paths = paths_; break;
    case modal::Kind::Color: answer.color = color_; break;
    case modal::Kind::Url: answer.result = (onUrl_ ? onUrl_(request.url) : urlResult_) ? 1 : 0; break;
    }
    return answer;
}

int ModalRecorder::count(modal::Kind kind) const
{
    return static_cast<int>(
        std::count_if(requests_.begin(), requests_.end(), [kind](const modal::Request& r) { return r.kind == kind; }));
}

std::vector<modal::Request> ModalRecorder::ofKind(modal::Kind kind) const
{
    std::vector<modal::Request> out;
    for (const modal::Request& r : requests_)
        if (r.kind == kind)
            out.push_back(r);
    return out;
}

const modal::Request& ModalRecorder::last() const
{
    auto it = std::find_if(requests_.rbegin(), requests_.rend(),
                           [](const modal::Request& r) { return r.kind == modal::Kind::Message; });
    return *it;
}
