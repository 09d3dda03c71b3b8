#include "host/CallRelay.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

#include "host/System.h"

namespace Host {

namespace {

// Every record begins with a word of eight bytes: its kind (an Op, or a refusal), and the
// integer, the float's bits or the length of its text. A double or a text follows: UTF-16 with
// its NUL, or the refused UTF-8 text, padded so that every record begins on eight bytes.
struct RecordWord {
    std::uint8_t Kind;
    std::uint8_t Quantity;  // of a refusal
    std::uint8_t Why;       // of a refusal
    std::uint8_t Unused;
    std::uint32_t Argument;
};
static_assert(sizeof(RecordWord) == 8, "records stay aligned on eight bytes");

constexpr std::uint8_t RefusedValueKind = 0xFF;
// The length that stands for a null text, which the target is handed as null again.
constexpr std::uint32_t NullText = std::numeric_limits<std::uint32_t>::max();

constexpr std::size_t Padded(std::size_t size) noexcept
{
    return (size + 7) & ~std::size_t{7};
}

std::uint32_t RecordedLength(std::size_t length)
{
    if (length >= NullText)
        throw std::length_error("a text of the import is too long to be handed on");
    return static_cast<std::uint32_t>(length);
}

}  // namespace

CCallRelay::CCallRelay(Plugin::IImportContext& target, IRefusedValueSink* refusals, std::size_t blockBytes,
                       std::size_t blockCount)
    : Target(target),
      Refusals(refusals),
      BlockBytes(Padded(std::max<std::size_t>(blockBytes, 64))),
      BlockCount(std::max<std::size_t>(blockCount, 2))
{
    Spare.reserve(BlockCount);  // so that the worker never allocates to give a block back
    Current = NewBlock(BlockBytes);
    Blocks = 1;
    Worker = StartBackgroundThread([this] { Work(); });
}

// Also when the import ends with an exception: what the plug-in sent before it reaches the
// sinks, as it would have without the relay.
CCallRelay::~CCallRelay()
{
    Drain();
}

void CCallRelay::Finish()
{
    Drain();
    if (Failure)
        std::rethrow_exception(Failure);
}

void CCallRelay::Drain()
{
    if (!Worker.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(Lock);
        // Without a block of its own, a call that comes after the end is refused at once.
        Block last = std::exchange(Current, Block{});
        if (last.Used > 0)
            Full.push_back(std::move(last));
        Stopping = true;
    }
    WorkReady.notify_one();
    Worker.join();
}

CCallRelay::Block CCallRelay::NewBlock(std::size_t size)
{
    Block block;
    block.Bytes.reset(new std::byte[size]);
    block.Capacity = size;
    return block;
}

std::byte* CCallRelay::Reserve(std::size_t size)
{
    if (Current.Capacity - Current.Used < size)
        HandOver(size);
    std::byte* const at = Current.Bytes.get() + Current.Used;
    Current.Used += size;
    return at;
}

// The current block goes to the worker and a spare one takes its place; the import waits
// here while every block is in the worker's hands. A text longer than a block gets a block
// of its own size, which is freed once replayed.
void CCallRelay::HandOver(std::size_t size)
{
    std::unique_lock<std::mutex> lock(Lock);
    if (Stopping)
        throw std::logic_error("the plug-in called the import context after the import was finished");
    if (Current.Used > 0) {
        Full.push_back(std::exchange(Current, Block{}));
        WorkReady.notify_one();
    } else if (Current.Bytes) {
        Spare.push_back(std::exchange(Current, Block{}));  // empty, but too small for the record
    }
    SpaceReady.wait(lock, [this] { return Failure || !Spare.empty() || Blocks < BlockCount; });
    if (Failure)
        std::rethrow_exception(Failure);
    if (size <= BlockBytes && !Spare.empty()) {
        Current = std::move(Spare.back());
        Spare.pop_back();
        return;
    }
    if (Blocks >= BlockCount) {
        Spare.pop_back();  // a spare block makes room for the long text's own
        --Blocks;
    }
    Current = NewBlock(std::max(size, BlockBytes));
    ++Blocks;
}

void CCallRelay::PutWord(std::uint8_t kind, std::uint32_t argument)
{
    const RecordWord word{kind, 0, 0, 0, argument};
    std::memcpy(Reserve(sizeof word), &word, sizeof word);
}

void CCallRelay::PutDouble(Op op, double value)
{
    const RecordWord word{static_cast<std::uint8_t>(op), 0, 0, 0, 0};
    std::byte* const at = Reserve(sizeof word + sizeof value);
    std::memcpy(at, &word, sizeof word);
    std::memcpy(at + sizeof word, &value, sizeof value);
}

void CCallRelay::PutText(Op op, const char16_t* text)
{
    if (!text) {
        PutWord(static_cast<std::uint8_t>(op), NullText);
        return;
    }
    const std::uint32_t length = RecordedLength(std::char_traits<char16_t>::length(text));
    const std::size_t bytes = (std::size_t{length} + 1) * sizeof(char16_t);
    const RecordWord word{static_cast<std::uint8_t>(op), 0, 0, 0, length};
    std::byte* const at = Reserve(sizeof word + Padded(bytes));
    std::memcpy(at, &word, sizeof word);
    std::memcpy(at + sizeof word, text, bytes);
}

void CCallRelay::OnRefusedValue(ValueQuantity quantity, std::string_view text, Refusal why)
{
    const RecordWord word{RefusedValueKind, static_cast<std::uint8_t>(quantity), static_cast<std::uint8_t>(why), 0,
                          RecordedLength(text.size())};
    std::byte* const at = Reserve(sizeof word + Padded(text.size()));
    std::memcpy(at, &word, sizeof word);
    if (!text.empty())
        std::memcpy(at + sizeof word, text.data(), text.size());
}

Plugin::IConverterFactory* CCallRelay::GetConverterFactory()
{
    PutWord(static_cast<std::uint8_t>(Op::GetConverterFactory), 0);
    return CConverterFactory::Create(this);
}

void CCallRelay::SetFileName(const char16_t* name) { PutText(Op::SetFileName, name); }

void CCallRelay::SetCurrentLine(std::int32_t line)
{
    PutWord(static_cast<std::uint8_t>(Op::SetCurrentLine), static_cast<std::uint32_t>(line));
}

void CCallRelay::ReportWarning(const char16_t* text) { PutText(Op::ReportWarning, text); }
void CCallRelay::ReportMessage(const char16_t* text) { PutText(Op::ReportMessage, text); }

void CCallRelay::SetProgress(float percent)
{
    std::uint32_t bits = 0;
    static_assert(sizeof bits == sizeof percent, "a float travels in the record's word");
    std::memcpy(&bits, &percent, sizeof bits);
    PutWord(static_cast<std::uint8_t>(Op::SetProgress), bits);
}

void CCallRelay::AddPoint(const char16_t* name) { PutText(Op::AddPoint, name); }
void CCallRelay::SetX(double value) { PutDouble(Op::SetX, value); }
void CCallRelay::SetY(double value) { PutDouble(Op::SetY, value); }
void CCallRelay::SetZ(double value) { PutDouble(Op::SetZ, value); }

void CCallRelay::SetPointKind(std::int32_t kind)
{
    PutWord(static_cast<std::uint8_t>(Op::SetPointKind), static_cast<std::uint32_t>(kind));
}

void CCallRelay::SetPointFlag(std::int32_t flag)
{
    PutWord(static_cast<std::uint8_t>(Op::SetPointFlag), static_cast<std::uint32_t>(flag));
}

void CCallRelay::SetPointCode(const char16_t* code) { PutText(Op::SetPointCode, code); }
void CCallRelay::AddStation(const char16_t* name) { PutText(Op::AddStation, name); }
void CCallRelay::SetInstrumentHeight(double value) { PutDouble(Op::SetInstrumentHeight, value); }
void CCallRelay::AddTarget(const char16_t* name) { PutText(Op::AddTarget, name); }
void CCallRelay::SetPressure(double value) { PutDouble(Op::SetPressure, value); }
void CCallRelay::SetTemperature(double value) { PutDouble(Op::SetTemperature, value); }
void CCallRelay::SetVerticalAngle(double value) { PutDouble(Op::SetVerticalAngle, value); }
void CCallRelay::SetHorizontalAngle(double value) { PutDouble(Op::SetHorizontalAngle, value); }
void CCallRelay::SetTargetHeight(double value) { PutDouble(Op::SetTargetHeight, value); }
void CCallRelay::SetSlopeDistance(double value) { PutDouble(Op::SetSlopeDistance, value); }
void CCallRelay::SetHorizontalDistance(double value) { PutDouble(Op::SetHorizontalDistance, value); }
void CCallRelay::SetHeightDifference(double value) { PutDouble(Op::SetHeightDifference, value); }

// The worker: replays the full blocks in order and gives them back. After a sink threw, the
// blocks still coming are given back unread, so that the import is never left waiting.
void CCallRelay::Work()
{
    std::unique_lock<std::mutex> lock(Lock);
    for (;;) {
        WorkReady.wait(lock, [this] { return !Full.empty() || Stopping; });
        if (Full.empty())
            return;
        Block block = std::move(Full.front());
        Full.pop_front();
        const bool replay = !Failure;
        lock.unlock();
        std::exception_ptr failure;
        if (replay) {
            try {
                Replay(block);
            } catch (...) {
                failure = std::current_exception();
            }
        }
        lock.lock();
        if (failure)
            Failure = failure;
        if (block.Capacity == BlockBytes) {
            block.Used = 0;
            Spare.push_back(std::move(block));
        } else {
            --Blocks;
        }
        SpaceReady.notify_one();
    }
}

namespace {

// The text of a text record, or null for a null text, taken off the block.
const char16_t* TakeText(std::uint32_t length, const std::byte*& at) noexcept
{
    if (length == NullText)
        return nullptr;
    const auto* text = reinterpret_cast<const char16_t*>(at);
    at += Padded((std::size_t{length} + 1) * sizeof(char16_t));
    return text;
}

double TakeDouble(const std::byte*& at) noexcept
{
    double value = 0;
    std::memcpy(&value, at, sizeof value);
    at += sizeof value;
    return value;
}

float FloatOf(std::uint32_t bits) noexcept
{
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

// One dispatch per record: the op decides both what follows its word and which call it was.
void CCallRelay::Replay(const Block& block)
{
    const std::byte* at = block.Bytes.get();
    const std::byte* const end = at + block.Used;
    while (at < end) {
        RecordWord word;
        std::memcpy(&word, at, sizeof word);
        at += sizeof word;
        if (word.Kind == RefusedValueKind) {
            ReplayRefusal(word.Quantity, word.Why, std::string_view(reinterpret_cast<const char*>(at), word.Argument));
            at += Padded(word.Argument);
            continue;
        }
        const auto integer = static_cast<std::int32_t>(word.Argument);
        switch (static_cast<Op>(word.Kind)) {
        case Op::GetConverterFactory:
            if (Plugin::IConverterFactory* factory = Target.GetConverterFactory())
                factory->Release();
            break;
        case Op::SetFileName: Target.SetFileName(TakeText(word.Argument, at)); break;
        case Op::ReportWarning: Target.ReportWarning(TakeText(word.Argument, at)); break;
        case Op::ReportMessage: Target.ReportMessage(TakeText(word.Argument, at)); break;
        case Op::AddPoint: Target.AddPoint(TakeText(word.Argument, at)); break;
        case Op::AddStation: Target.AddStation(TakeText(word.Argument, at)); break;
        case Op::AddTarget: Target.AddTarget(TakeText(word.Argument, at)); break;
        case Op::SetPointCode: Target.SetPointCode(TakeText(word.Argument, at)); break;
        case Op::SetCurrentLine: Target.SetCurrentLine(integer); break;
        case Op::SetPointKind: Target.SetPointKind(integer); break;
        case Op::SetPointFlag: Target.SetPointFlag(integer); break;
        case Op::SetProgress: Target.SetProgress(FloatOf(word.Argument)); break;
        case Op::SetX: Target.SetX(TakeDouble(at)); break;
        case Op::SetY: Target.SetY(TakeDouble(at)); break;
        case Op::SetZ: Target.SetZ(TakeDouble(at)); break;
        case Op::SetInstrumentHeight: Target.SetInstrumentHeight(TakeDouble(at)); break;
        case Op::SetPressure: Target.SetPressure(TakeDouble(at)); break;
        case Op::SetTemperature: Target.SetTemperature(TakeDouble(at)); break;
        case Op::SetVerticalAngle: Target.SetVerticalAngle(TakeDouble(at)); break;
        case Op::SetHorizontalAngle: Target.SetHorizontalAngle(TakeDouble(at)); break;
        case Op::SetTargetHeight: Target.SetTargetHeight(TakeDouble(at)); break;
        case Op::SetSlopeDistance: Target.SetSlopeDistance(TakeDouble(at)); break;
        case Op::SetHorizontalDistance: Target.SetHorizontalDistance(TakeDouble(at)); break;
        case Op::SetHeightDifference: Target.SetHeightDifference(TakeDouble(at)); break;
        }
    }
}

void CCallRelay::ReplayRefusal(std::uint8_t quantity, std::uint8_t why, std::string_view text)
{
    if (Refusals)
        Refusals->OnRefusedValue(static_cast<ValueQuantity>(quantity), text, static_cast<Refusal>(why));
}

}  // namespace Host
