// Reads arbitrary bytes as a component stream (after the format's signature,
// so that the fuzzer starts past it) into a registered class with every kind
// of property; whatever is read must write out and read back again, with the
// same values, and write out again to the same bytes.
#include "platform/Streaming.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

using namespace platform;

namespace {

enum TFuzzShape { fsRound, fsSquare };
const TEnumInfo FuzzShapeInfo{"TFuzzShape", {"fsRound", "fsSquare"}};
using TFuzzShapes = TSet<TFuzzShape>;

class TFuzzPen : public TPersistent {
    RBK_CLASS(TFuzzPen, TPersistent)
public:
    int Width() const { return width; }
    void SetWidth(int v) { width = v; }
    static void PublishProperties(TPropList &list)
    {
        TPropertyTable<TFuzzPen> p(list);
        p.Integer("Width", &TFuzzPen::Width, &TFuzzPen::SetWidth).Default(1);
    }
    int width = 1;
};

class TFuzzWidget : public TComponent {
    RBK_CLASS(TFuzzWidget, TComponent)
public:
    explicit TFuzzWidget(TComponent *AOwner) : TComponent(AOwner), pen(std::make_unique<TFuzzPen>()) {}
    int64_t Count() const { return count; }
    void SetCount(int64_t v) { count = v; }
    bool Flag() const { return flag; }
    void SetFlag(bool v) { flag = v; }
    TFuzzShape Shape() const { return shape; }
    void SetShape(TFuzzShape v) { shape = v; }
    TFuzzShapes Shapes() const { return shapes; }
    void SetShapes(TFuzzShapes v) { shapes = v; }
    double Ratio() const { return ratio; }
    void SetRatio(double v) { ratio = v; }
    AnsiString Caption() const { return caption; }
    void SetCaption(const AnsiString &v) { caption = v; }
    TFuzzPen *Pen() const { return pen.get(); }
    TFuzzWidget *Link() const { return link; }
    void SetLink(TFuzzWidget *v) { link = v; }
    static void PublishProperties(TPropList &list)
    {
        TPropertyTable<TFuzzWidget> p(list);
        p.Integer("Count", &TFuzzWidget::Count, &TFuzzWidget::SetCount).Default(0);
        p.Boolean("Flag", &TFuzzWidget::Flag, &TFuzzWidget::SetFlag).Default(false);
        p.Enum("Shape", FuzzShapeInfo, &TFuzzWidget::Shape, &TFuzzWidget::SetShape).Default(fsRound);
        p.Set("Shapes", FuzzShapeInfo, &TFuzzWidget::Shapes, &TFuzzWidget::SetShapes).Default(0);
        p.Float("Ratio", &TFuzzWidget::Ratio, &TFuzzWidget::SetRatio);
        p.String("Caption", &TFuzzWidget::Caption, &TFuzzWidget::SetCaption);
        p.Object("Pen", &TFuzzWidget::Pen);
        p.Component("Link", &TFuzzWidget::Link, &TFuzzWidget::SetLink);
    }
    void DefineProperties(TFiler &Filer) override
    {
        TComponent::DefineProperties(Filer);
        Filer.DefineBinaryProperty(
            "Blob",
            [this](TStream &s) {
                blob.assign(static_cast<size_t>(s.Size()), '\0');
                s.ReadBuffer(blob.data(), static_cast<int32_t>(blob.size()));
            },
            [this](TStream &s) { s.WriteBuffer(blob.data(), static_cast<int32_t>(blob.size())); }, !blob.empty());
    }
    int64_t count = 0;
    bool flag = false;
    TFuzzShape shape = fsRound;
    TFuzzShapes shapes;
    double ratio = 0;
    AnsiString caption;
    std::unique_ptr<TFuzzPen> pen;
    TFuzzWidget *link = nullptr;
    std::string blob;
};

std::unique_ptr<TComponent> readStream(TMemoryStream &stream)
{
    stream.SetPosition(0);
    return std::unique_ptr<TComponent>(ReadComponent(stream));
}

void check(bool ok)
{
    if (!ok)
        std::abort();
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

AnsiString linkName(const TFuzzWidget *w) { return w->link == nullptr ? AnsiString("-") : w->link->Name(); }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool registered = [] {
        RegisterClasses({TFuzzWidget::StaticClass(), TFuzzPen::StaticClass()});
        return true;
    }();
    (void)registered;
    TMemoryStream stream;
    stream.WriteBuffer("RBKC\x01", 5);
    if (size > 0)
        stream.WriteBuffer(data, static_cast<int32_t>(size));
    std::unique_ptr<TComponent> read;
    try {
        read = readStream(stream);
    } catch (const Exception &) {
        return 0; // rejected: fine, as long as nothing broke
    }
    if (!read)
        return 0;
    TMemoryStream again;
    WriteComponent(again, read.get());
    std::unique_ptr<TComponent> back;
    try {
        back = readStream(again);
    } catch (const Exception &) {
        std::abort(); // what was read must read back
    }
    check(back != nullptr && back->ClassType() == read->ClassType() && back->Name() == read->Name());
    if (const auto *a = dynamic_cast<const TFuzzWidget *>(read.get())) {
        const auto *b = dynamic_cast<const TFuzzWidget *>(back.get());
        check(b != nullptr);
        check(a->count == b->count && a->flag == b->flag && a->shape == b->shape && a->shapes == b->shapes);
        check(sameBits(a->ratio, b->ratio) && a->caption == b->caption && a->pen->width == b->pen->width);
        check(a->blob == b->blob && linkName(a) == linkName(b));
    }
    TMemoryStream third;
    WriteComponent(third, back.get());
    check(third.Bytes() == again.Bytes());
    return 0;
}
