#include "WarbleProcessor.h"

#include <algorithm>
#include <cmath>

namespace
{
    constexpr float twoPi = 6.2831855f;
    constexpr double twoPiDouble = 6.283185307179586;

    bool isUsableSampleRate (double rate) noexcept
    {
        return std::isfinite (rate)
            && rate >= WarbleProcessor::minimumSampleRate
            && rate <= WarbleProcessor::maximumSampleRate;
    }

    bool areEqual (const juce::Reverb::Parameters& a, const juce::Reverb::Parameters& b) noexcept
    {
        return juce::exactlyEqual (a.roomSize, b.roomSize)
            && juce::exactlyEqual (a.damping, b.damping)
            && juce::exactlyEqual (a.wetLevel, b.wetLevel)
            && juce::exactlyEqual (a.dryLevel, b.dryLevel)
            && juce::exactlyEqual (a.width, b.width)
            && juce::exactlyEqual (a.freezeMode, b.freezeMode);
    }

    // Sets a flag for the lifetime of the scope; the flag tells withdrawKeyboardState that a block
    // may be holding the lent keyboard state.
    struct ScopedFlag
    {
        explicit ScopedFlag (std::atomic<bool>& f) noexcept : flag (f)  { flag.store (true); }
        ~ScopedFlag()                                                     { flag.store (false); }

        std::atomic<bool>& flag;
    };
}

// Everything a block computes once from the sample rate and the parameter snapshot.
struct WarbleProcessor::BlockSettings
{
    float waveBlend, vibratoRate, filterBase, filterMod, resonance, reverb;
    float glideCoefficient, attackStep, releaseStep, wheelCoefficient, masterGain;
    float vibratoStep, feedback, coefficientCeiling;
    float sampleRate;
};

// What the stages of the voice rendering pass on to each other for one chunk of a block: one
// lane for each voice that sounds at the chunk's start, in index order.
struct WarbleProcessor::VoiceChunk
{
    static constexpr int maxLength = 32;
    static constexpr size_t maxLanes = (size_t) numVoices;

    template <typename Value>
    using Lanes = std::array<Value, maxLanes>;

    template <typename Value>
    using Rows = std::array<Lanes<Value>, (size_t) maxLength>;

    int start = 0;
    size_t length = 0;

    std::array<Voice*, maxLanes> lanes {};
    size_t laneCount = 0;
    Lanes<size_t> laneLength {};   // samples of this chunk before the lane's voice ended

    std::array<float, (size_t) maxLength> vibratoDepth, filterCoefficient;
    Rows<float> envelope, pitch, vibrato, oscillator;
    Rows<double> phase;
};

// The last cutoff computed in a block: a still wheel leaves it as it is.
struct WarbleProcessor::CutoffCache
{
    // The exponent is clamped to [0, 1], so the first sample always computes its coefficient.
    float exponent = -1.0f;
    float coefficient = 0.0f;
};

// A host can hand a parameter a NaN, which passes through its range unchanged; the parameter's
// default then stands in, so that the output stays finite.
float WarbleProcessor::ParameterReading::load() const noexcept
{
    const auto current = value->load();
    return std::isfinite (current) ? current : fallback;
}

float WarbleProcessor::noteToFrequency (int note) noexcept
{
    return 440.0f * std::pow (2.0f, (float) (note - 69) / 12.0f);
}

void WarbleProcessor::prepareToPlay (double newSampleRate, int)
{
    if (isUsableSampleRate (newSampleRate))
        sampleRate = newSampleRate;

    voices.fill (Voice {});
    reverbProcessor.prepare ({ sampleRate, 0, 0 });
    reverbIdle.prepared (sampleRate);
}

void WarbleProcessor::releaseResources()
{
}

void WarbleProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    const juce::ScopedNoDenormals noDenormals;

    buffer.clear();

    BlockSettings settings {};
    settings.waveBlend   = readings.waveBlend.load();
    const auto glideTime = readings.glideTime.load();
    settings.vibratoRate = readings.vibratoRate.load();
    settings.filterBase  = readings.filterBase.load();
    settings.filterMod   = readings.filterMod.load();
    settings.resonance   = readings.resonance.load();
    const auto volume    = readings.volume.load();
    settings.reverb      = readings.reverb.load();
    const auto legatoOn  = readings.legato.load() > 0.5f;

    const auto sr = (float) sampleRate;
    settings.sampleRate = sr;

    const auto glideSamples = sr * (glideTime * 0.001f);
    settings.glideCoefficient = 1.0f - std::exp (-1.0f / std::max (glideSamples, 1.0f));
    settings.attackStep = 1.0f / (sr * 0.02f);
    settings.releaseStep = 1.0f / (sr * 0.3f);
    settings.masterGain = volume * 0.9f;
    settings.vibratoStep = settings.vibratoRate / sr;
    settings.feedback = settings.resonance * 3.8f;

    // Near the Nyquist frequency each filter stage passes the signal with a gain of g / (2 - g)
    // and no phase shift, and the one-sample delay in the feedback loop turns the negative
    // feedback positive there; past a loop gain of 1 the filter would ring at Nyquist. The
    // ceiling holds the loop gain there at 0.9 or less for the block's resonance.
    settings.coefficientCeiling = 0.99f;

    if (settings.feedback > 0.0f)
    {
        const auto root = std::pow (0.9f / settings.feedback, 0.25f);
        settings.coefficientCeiling = std::min (0.99f, 2.0f * root / (1.0f + root));
    }

    {
        const ScopedFlag inUse (keyboardStateInUse);

        if (auto* state = keyboardState.load())
            state->processNextMidiBuffer (midi, 0, buffer.getNumSamples(), true);
    }

    for (const auto event : midi)
        handleMidiEvent (event.data, event.numBytes, legatoOn);

    settings.wheelCoefficient = 1.0f - std::exp (-1.0f / (sr * 0.02f));

    int sounding = 0;
    for (const auto& voice : voices)
        sounding += voice.active ? 1 : 0;
    activeVoiceCount.store (sounding);

    renderVoices (buffer, settings);
    applyReverb (buffer, settings.reverb, sounding > 0);
}

void WarbleProcessor::handleMidiEvent (const juce::uint8* data, int numBytes, bool legatoOn)
{
    // Classified from the raw bytes: copying into a juce::MidiMessage would allocate for long
    // system-exclusive messages, which the audio thread must not do.
    if (numBytes < 1)
        return;

    const auto status = data[0] & 0xf0;
    const auto data1 = numBytes > 1 ? (int) (data[1] & 0x7f) : 0;
    const auto data2 = numBytes > 2 ? (juce::uint8) (data[2] & 0x7f) : (juce::uint8) 0;

    if (status == 0xb0 && numBytes >= 3)
    {
        if (data1 == 1)
            modWheel.store ((float) data2 / 127.0f);
        else if (data1 == 123 || data1 == 120)
            releaseAllVoices();
    }
    else if (status == 0x90 && numBytes >= 3 && data2 != 0)
    {
        startNote (data1, data2, legatoOn);
    }
    else if ((status == 0x80 || status == 0x90) && numBytes >= 3)
    {
        releaseNote (data1);
    }
}

void WarbleProcessor::startNote (int note, juce::uint8 velocityByte, bool legatoOn)
{
    const auto velocity = (float) velocityByte * (1.0f / 127.0f);
    const auto frequency = noteToFrequency (note);

    Voice* held = nullptr;

    if (legatoOn)
        for (auto& voice : voices)
            if (voice.active && ! voice.releasing)
            {
                held = &voice;
                break;
            }

    if (held != nullptr)
    {
        // Re-aim: the voice glides on from wherever it is, with no new attack.
        held->note = note;
        held->velocity = velocity;
        held->targetHz = frequency;
    }
    else
    {
        auto& voice = chooseVoice();

        voice.active = true;
        voice.releasing = false;
        voice.note = note;
        voice.velocity = velocity;
        voice.targetHz = frequency;

        // A voice that starts from silence begins at its own pitch; a stolen, still audible
        // voice glides from its old one.
        if (voice.envelope < 0.001f)
            voice.currentHz = frequency;

        voice.envelope = std::max (voice.envelope, 0.0f);
        voice.phase = 0.0;
        voice.vibratoPhase = random.nextFloat();
        voice.filterStages.fill (0.0f);
    }

    lastNote.store (note);
}

Voice& WarbleProcessor::chooseVoice() noexcept
{
    for (auto& voice : voices)
        if (! voice.active)
            return voice;

    // Every voice sounds: steal the quietest, the earliest one among equals.
    auto* quietest = &voices.front();
    auto lowestLevel = 1.0e9f;

    for (auto& voice : voices)
        if (voice.envelope < lowestLevel)
        {
            lowestLevel = voice.envelope;
            quietest = &voice;
        }

    return *quietest;
}

void WarbleProcessor::releaseNote (int note)
{
    for (auto& voice : voices)
        if (voice.active && ! voice.releasing && voice.note == note)
            voice.releasing = true;
}

void WarbleProcessor::releaseAllVoices()
{
    for (auto& voice : voices)
        voice.releasing = true;
}

void WarbleProcessor::renderVoices (juce::AudioBuffer<float>& buffer, const BlockSettings& s)
{
    const auto numSamples = buffer.getNumSamples();

    // Only this thread writes the wheel, and the block's MIDI has been handled, so its target
    // stays put for the whole block.
    const auto wheelTarget = modWheel.load();

    if (std::none_of (voices.begin(), voices.end(), [] (const Voice& v) { return v.active; }))
    {
        // Nothing sounds, so every output sample would be exactly 0 and the cleared buffer is
        // already right; only the wheel keeps moving.
        for (int sample = 0; sample < numSamples; ++sample)
            modWheelSmoothed += (wheelTarget - modWheelSmoothed) * s.wheelCoefficient;

        return;
    }

    // A voice's chain is a long line of dependent library calls, so the block is rendered a
    // chunk of samples at a time, stage by stage across all sounding voices: the processor can
    // then overlap the calls of many samples and voices instead of waiting on each, and the
    // plain arithmetic runs over the voices side by side. Every value is still computed by the
    // same operations in the same order as one voice, one sample at a time would, and voices
    // are summed in index order.
    CutoffCache cutoff;

    for (int chunkStart = 0; chunkStart < numSamples; chunkStart += VoiceChunk::maxLength)
    {
        VoiceChunk chunk;
        chunk.start = chunkStart;
        chunk.length = (size_t) std::min (VoiceChunk::maxLength, numSamples - chunkStart);

        computeSharedValues (chunk, s, wheelTarget, cutoff);

        for (auto& voice : voices)
            if (voice.active)
                chunk.lanes[chunk.laneCount++] = &voice;

        advanceEnvelopesAndPitch (chunk, s);
        computeOscillators (chunk, s);
        filterAndShape (chunk, s, buffer);
    }
}

// The values every voice shares within a sample: the smoothed wheel, the vibrato depth it asks
// for and the filter coefficient of the cutoff it sweeps.
void WarbleProcessor::computeSharedValues (VoiceChunk& c, const BlockSettings& s, float wheelTarget,
                                           CutoffCache& cutoff) noexcept
{
    for (size_t n = 0; n < c.length; ++n)
    {
        modWheelSmoothed += (wheelTarget - modWheelSmoothed) * s.wheelCoefficient;
        const auto m = modWheelSmoothed;
        c.vibratoDepth[n] = std::max ((m - 0.2f) / 0.8f, 0.0f) * 35.0f;
        c.filterCoefficient[n] = juce::jlimit (0.0f, 1.0f, s.filterMod * m + s.filterBase);
    }

    for (size_t n = 0; n < c.length; ++n)
    {
        const auto exponent = c.filterCoefficient[n];

        // A still wheel gives the same coefficient sample after sample.
        if (! juce::exactlyEqual (exponent, cutoff.exponent))
        {
            cutoff.exponent = exponent;
            auto hz = 80.0f * std::pow (100.0f, exponent);
            hz = std::max (hz, 40.0f);
            hz = std::min (hz, 0.45f * s.sampleRate);
            cutoff.coefficient = std::min (std::min (hz / s.sampleRate * twoPi, 0.99f), s.coefficientCeiling);
        }

        c.filterCoefficient[n] = cutoff.coefficient;
    }
}

// Each voice's envelope, glide and vibrato phase, sample by sample, all voices side by side. A
// voice whose release ends in the chunk stops there: from that sample on its envelope is 0, its
// other values stay where they were, and lane length tells how far it got.
void WarbleProcessor::advanceEnvelopesAndPitch (VoiceChunk& c, const BlockSettings& s) noexcept
{
    using Lanes = VoiceChunk::Lanes<float>;
    using Flags = VoiceChunk::Lanes<int>;

    Lanes envelope {}, hz {}, targetHz {}, vibratoPhase {};
    Flags releasing {}, sounding {}, length {};

    for (size_t i = 0; i < c.laneCount; ++i)
    {
        const auto& voice = *c.lanes[i];
        envelope[i] = voice.envelope;
        hz[i] = voice.currentHz;
        targetHz[i] = voice.targetHz;
        vibratoPhase[i] = voice.vibratoPhase;
        releasing[i] = voice.releasing ? 1 : 0;
        sounding[i] = 1;
    }

    for (size_t n = 0; n < c.length; ++n)
    {
        for (size_t i = 0; i < VoiceChunk::maxLanes; ++i)
        {
            const auto falling = envelope[i] - s.releaseStep;
            const auto rising = std::min (envelope[i] + s.attackStep, 1.0f);
            const auto ends = releasing[i] != 0 && ! (falling > 0.0f);
            sounding[i] = sounding[i] != 0 && ! ends ? 1 : 0;
            envelope[i] = sounding[i] != 0 ? (releasing[i] != 0 ? falling : rising) : 0.0f;

            const auto glided = hz[i] + (targetHz[i] - hz[i]) * s.glideCoefficient;
            hz[i] = sounding[i] != 0 ? glided : hz[i];

            auto stepped = vibratoPhase[i] + s.vibratoStep;
            stepped = stepped > 1.0f ? stepped - 1.0f : stepped;
            vibratoPhase[i] = sounding[i] != 0 ? stepped : vibratoPhase[i];

            length[i] += sounding[i];
            c.envelope[n][i] = envelope[i];
            c.pitch[n][i] = hz[i];
            c.vibrato[n][i] = vibratoPhase[i];
        }
    }

    for (size_t i = 0; i < c.laneCount; ++i)
    {
        auto& voice = *c.lanes[i];
        voice.active = sounding[i] != 0;
        voice.envelope = envelope[i];
        voice.currentHz = hz[i];
        voice.vibratoPhase = vibratoPhase[i];
        c.laneLength[i] = (size_t) length[i];
    }
}

// Each voice's sounding frequency (its glided pitch bent by the vibrato), the oscillator's
// phase it drives, and the blended waves at that phase.
void WarbleProcessor::computeOscillators (VoiceChunk& c, const BlockSettings& s) noexcept
{
    const auto lanes = c.laneCount;

    // The vibrato row holds the vibrato phase, then its sine, then the pitch ratio it gives.
    for (size_t n = 0; n < c.length; ++n)
        for (size_t i = 0; i < lanes; ++i)
            c.vibrato[n][i] = std::sin (c.vibrato[n][i] * twoPi);

    for (size_t n = 0; n < c.length; ++n)
        for (size_t i = 0; i < lanes; ++i)
            c.vibrato[n][i] = std::pow (2.0f, c.vibrato[n][i] * c.vibratoDepth[n] / 1200.0f);

    // The phase row holds the increment, then the phase.
    const auto rate = sampleRate;

    for (size_t n = 0; n < c.length; ++n)
        for (size_t i = 0; i < lanes; ++i)
            c.phase[n][i] = (double) (c.pitch[n][i] * c.vibrato[n][i]) / rate;

    for (size_t i = 0; i < lanes; ++i)
    {
        auto phase = c.lanes[i]->phase;

        for (size_t n = 0; n < c.length; ++n)
        {
            if (n < c.laneLength[i])
            {
                // At low sample rates a high note can advance the phase by more than a cycle
                // per sample; removing whole cycles keeps it in [0, 1) where one cycle would not.
                phase += c.phase[n][i];
                if (phase >= 1.0)
                    phase -= std::floor (phase);
            }

            c.phase[n][i] = phase;
        }

        c.lanes[i]->phase = phase;
    }

    // The oscillator's 64-bit sine, then the blend of the soft and the bright wave; the sine
    // goes into the oscillator row.
    for (size_t n = 0; n < c.length; ++n)
        for (size_t i = 0; i < lanes; ++i)
            c.oscillator[n][i] = (float) std::sin (twoPiDouble * c.phase[n][i]);

    const auto blend = s.waveBlend;

    for (size_t n = 0; n < c.length; ++n)
    {
        for (size_t i = 0; i < lanes; ++i)
        {
            const auto pf = (float) c.phase[n][i];
            const auto sine = c.oscillator[n][i];
            const auto triangle = 1.0f - 4.0f * std::abs (pf - 0.5f);
            const auto saw = 2.0f * pf - 1.0f;
            const auto soft = 0.85f * sine + 0.15f * triangle;
            const auto bright = (saw - 0.33f * (saw * saw * saw)) * 0.55f;
            c.oscillator[n][i] = soft * (1.0f - blend) + bright * blend;
        }
    }
}

// Each voice's saturating four-stage filter with resonance feedback, the voices' sum scaled by
// their envelopes and velocities, and the master volume and soft clipper on that sum, written
// to the first two channels.
void WarbleProcessor::filterAndShape (const VoiceChunk& c, const BlockSettings& s,
                                      juce::AudioBuffer<float>& buffer) noexcept
{
    using Lanes = VoiceChunk::Lanes<float>;

    // Lanes without a voice hold zeros and stay at zero, so the linear stages can run over all
    // lanes at once.
    Lanes s1 {}, s2 {}, s3 {}, s4 {}, drive {}, velocity {};
    auto commonLength = c.length;

    for (size_t i = 0; i < c.laneCount; ++i)
    {
        const auto& voice = *c.lanes[i];
        s1[i] = voice.filterStages[0];
        s2[i] = voice.filterStages[1];
        s3[i] = voice.filterStages[2];
        s4[i] = voice.filterStages[3];
        velocity[i] = voice.velocity;
        commonLength = std::min (commonLength, c.laneLength[i]);
    }

    const auto numChannels = buffer.getNumChannels();

    const auto writeOutput = [&] (size_t n, float sum)
    {
        const auto out = 0.85f * std::tanh (s.masterGain * sum * 1.2f);
        const auto sample = c.start + (int) n;

        if (numChannels >= 1)
            buffer.addSample (0, sample, out);

        if (numChannels >= 2)
            buffer.addSample (1, sample, out);
    };

    // While every voice sounds.
    for (size_t n = 0; n < commonLength; ++n)
    {
        for (size_t i = 0; i < c.laneCount; ++i)
        {
            const auto x = c.oscillator[n][i] - s.feedback * s4[i];
            drive[i] = std::tanh (x) - std::tanh (s1[i]);
        }

        const auto g = c.filterCoefficient[n];

        for (size_t i = 0; i < VoiceChunk::maxLanes; ++i)
        {
            s1[i] += drive[i] * g;
            s2[i] += (s1[i] - s2[i]) * g;
            s3[i] += (s2[i] - s3[i]) * g;
            s4[i] += (s3[i] - s4[i]) * g;
        }

        auto sum = 0.0f;

        for (size_t i = 0; i < c.laneCount; ++i)
            sum += s4[i] * c.envelope[n][i] * velocity[i];

        writeOutput (n, sum);
    }

    // After a voice has ended within the chunk: the others go on, one at a time.
    for (size_t n = commonLength; n < c.length; ++n)
    {
        const auto g = c.filterCoefficient[n];
        auto sum = 0.0f;

        for (size_t i = 0; i < c.laneCount; ++i)
        {
            if (n >= c.laneLength[i])
                continue;

            const auto x = c.oscillator[n][i] - s.feedback * s4[i];
            s1[i] += (std::tanh (x) - std::tanh (s1[i])) * g;
            s2[i] += (s1[i] - s2[i]) * g;
            s3[i] += (s2[i] - s3[i]) * g;
            s4[i] += (s3[i] - s4[i]) * g;

            sum += s4[i] * c.envelope[n][i] * velocity[i];
        }

        writeOutput (n, sum);
    }

    for (size_t i = 0; i < c.laneCount; ++i)
        c.lanes[i]->filterStages = { s1[i], s2[i], s3[i], s4[i] };
}

juce::Reverb::Parameters WarbleProcessor::reverbSettingsFor (float r) noexcept
{
    juce::Reverb::Parameters settings;
    settings.roomSize = r * 0.4f + 0.55f;
    settings.damping = 0.4f;
    settings.wetLevel = r * 0.55f;
    settings.dryLevel = 1.0f - r * 0.25f;
    settings.width = 1.0f;
    return settings;
}

void WarbleProcessor::applyReverb (juce::AudioBuffer<float>& buffer, float r, bool voicesSounded)
{
    // reverbParameters always holds what the reverb was last given.
    const auto settings = reverbSettingsFor (r);
    reverbIdle.settingsHandedOver (! areEqual (reverbParameters, settings));
    reverbParameters = settings;
    reverbProcessor.setParameters (reverbParameters);

    // The reverb has a mono and a stereo path; any other channel layout keeps the dry signal.
    const auto numChannels = buffer.getNumChannels();
    if (numChannels != 1 && numChannels != 2)
        return;

    // With no voice, the block holds exact zeros.
    if (reverbIdle.canSkip (! voicesSounded))
        return;

    juce::dsp::AudioBlock<float> block (buffer);
    reverbProcessor.process (juce::dsp::ProcessContextReplacing<float> (block));

    const auto loudestWetLevel = reverbSettingsFor (1.0f).wetLevel;

    if (reverbIdle.processed (buffer, ! voicesSounded, reverbParameters.wetLevel / loudestWetLevel))
    {
        reverbProcessor.reset();
        reverbIdle.cleared();
    }
}
