#include "ShutterSound.h"

#include <QSoundEffect>
#include <QUrl>

namespace camera {

namespace {

class EffectSound : public Sound {
public:
    explicit EffectSound(const QString& source)
    {
        const QUrl url = source.startsWith(QStringLiteral("qrc:")) ? QUrl(source) : QUrl::fromLocalFile(source);
        effect_.setSource(url);
    }
    void play() override { effect_.play(); }

private:
    QSoundEffect effect_;
};

}  // namespace

std::unique_ptr<Sound> createEffectSound(const QString& source)
{
    return std::make_unique<EffectSound>(source);
}

}  // namespace camera
