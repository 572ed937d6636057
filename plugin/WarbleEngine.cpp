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
    float sampleRate;
};

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

    // A host can hand a parameter a NaN, which passes through its range unchanged; the
    // parameter's default then stands in, so that the output stays finite.
    const auto read = [this] (const char* id)
    {
        const auto value = parameters.getRawParameterValue (id)->load();

        if (std::isfinite (value))
            return value;

        const auto* parameter = parameters.getParameter (id);
        return parameter->convertFrom0to1 (parameter->getDefaultValue());
    };

    BlockSettings settings {};
    settings.waveBlend   = read ("waveBlend");
    const auto glideTime = read ("glideTime");
    settings.vibratoRate = read ("vibratoRate");
    settings.filterBase  = read ("filterBase");
    settings.filterMod   = read ("filterMod");
    settings.resonance   = read ("resonance");
    const auto volume    = read ("volume");
    settings.reverb      = read ("reverb");
    const auto legatoOn  = read ("legato") > 0.5f;

    const auto sr = (float) sampleRate;
    settings.sampleRate = sr;

    const auto glideSamples = sr * (glideTime * 0.001f);
    settings.glideCoefficient = 1.0f - std::exp (-1.0f / std::max (glideSamples, 1.0f));
    settings.attackStep = 1.0f / (sr * 0.02f);
    settings.releaseStep = 1.0f / (sr * 0.3f);
    settings.masterGain = volume * 0.9f;

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
    const auto numChannels = buffer.getNumChannels();

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

    // A voice's chain is a long line of dependent library calls, so it is computed a chunk of
    // samples at a time: first, per sample, the values that all voices share; then, per voice,
    // everything up to the oscillator, which does not depend on the filter; last, sample by
    // sample, the filters of all voices. The processor can then overlap the calls of many
    // samples and voices instead of waiting on each. Every value is still computed by the same
    // operations in the same order, voices are summed in index order.
    constexpr int chunkSize = 32;
    using Floats = std::array<float, chunkSize>;

    const auto feedback = s.resonance * 3.8f;
    const auto vibratoStep = s.vibratoRate / s.sampleRate;
    const auto attackStep = s.attackStep;
    const auto releaseStep = s.releaseStep;
    const auto glideCoefficient = s.glideCoefficient;
    const auto rate = sampleRate;

    // The exponent is clamped to [0, 1], so the first sample always computes its coefficient.
    auto lastCutoffExponent = -1.0f;
    auto lastCutoffCoefficient = 0.0f;

    for (int chunkStart = 0; chunkStart < numSamples; chunkStart += chunkSize)
    {
        const auto length = (size_t) std::min (chunkSize, numSamples - chunkStart);

        // The vibrato depth and the cutoff depend only on the wheel and the parameters, so they
        // are shared by every voice of a sample. g holds the cutoff's exponent until it becomes
        // the filter coefficient.
        Floats depthCents, g;

        for (size_t n = 0; n < length; ++n)
        {
            modWheelSmoothed += (wheelTarget - modWheelSmoothed) * s.wheelCoefficient;
            const auto m = modWheelSmoothed;
            depthCents[n] = std::max ((m - 0.2f) / 0.8f, 0.0f) * 35.0f;
            g[n] = juce::jlimit (0.0f, 1.0f, s.filterMod * m + s.filterBase);
        }

        for (size_t n = 0; n < length; ++n)
        {
            // A still wheel gives the same coefficient sample after sample.
            if (! juce::exactlyEqual (g[n], lastCutoffExponent))
            {
                lastCutoffExponent = g[n];
                auto cutoff = 80.0f * std::pow (100.0f, g[n]);
                cutoff = std::max (cutoff, 40.0f);
                cutoff = std::min (cutoff, 0.45f * s.sampleRate);
                lastCutoffCoefficient = std::min (cutoff / s.sampleRate * twoPi, 0.99f);
            }

            g[n] = lastCutoffCoefficient;
        }

        // The voices that sound in this chunk, in index order, one lane each.
        struct Lane
        {
            Voice* voice;
            size_t length;     // samples of this chunk before the voice ended
            Floats oscillator;
        };

        std::array<Lane, numVoices> lanes;
        std::array<std::array<float, numVoices>, chunkSize> envelopes;
        size_t count = 0;
        auto commonLength = length;

        for (auto& voice : voices)
        {
            if (! voice.active)
                continue;

            auto& lane = lanes[count];
            std::array<double, chunkSize> phase;
            Floats hz;

            // One row reused along the chain: the vibrato phase, then its sine, then the pitch
            // ratio it gives, then the oscillator's sine.
            Floats value;

            // Worked on in locals, which the compiler can keep in registers, and stored back.
            auto envelope = voice.envelope;
            auto currentHz = voice.currentHz;
            auto vibratoPhase = voice.vibratoPhase;
            const auto targetHz = voice.targetHz;
            const auto releasing = voice.releasing;

            size_t n = 0;
            for (; n < length; ++n)
            {
                if (releasing)
                {
                    envelope -= releaseStep;

                    if (! (envelope > 0.0f))
                    {
                        voice.active = false;
                        envelope = 0.0f;
                        break;
                    }
                }
                else
                {
                    envelope = std::min (envelope + attackStep, 1.0f);
                }

                currentHz += (targetHz - currentHz) * glideCoefficient;

                vibratoPhase += vibratoStep;
                if (vibratoPhase > 1.0f)
                    vibratoPhase -= 1.0f;

                envelopes[n][count] = envelope;
                hz[n] = currentHz;
                value[n] = vibratoPhase;
            }

            voice.envelope = envelope;
            voice.currentHz = currentHz;
            voice.vibratoPhase = vibratoPhase;

            if (n == 0)
                continue;

            lane.voice = &voice;
            lane.length = n;
            commonLength = std::min (commonLength, n);
            ++count;

            for (size_t k = 0; k < n; ++k)
                value[k] = std::sin (value[k] * twoPi);

            for (size_t k = 0; k < n; ++k)
                value[k] = std::pow (2.0f, value[k] * depthCents[k] / 1200.0f);

            Floats phaseFloat;

            auto oscillatorPhase = voice.phase;

            for (size_t k = 0; k < n; ++k)
            {
                const auto frequency = hz[k] * value[k];

                // At low sample rates a high note can advance the phase by more than a cycle per
                // sample; removing whole cycles keeps it in [0, 1) where one cycle would not.
                oscillatorPhase += (double) frequency / rate;
                if (oscillatorPhase >= 1.0)
                    oscillatorPhase -= std::floor (oscillatorPhase);

                phase[k] = oscillatorPhase;
                phaseFloat[k] = (float) oscillatorPhase;
            }

            voice.phase = oscillatorPhase;

            for (size_t k = 0; k < n; ++k)
                value[k] = (float) std::sin (twoPiDouble * phase[k]);

            // Plain float arithmetic on local values, which the compiler computes four samples at
            // a time.
            const auto blend = s.waveBlend;

            for (size_t k = 0; k < n; ++k)
            {
                const auto pf = phaseFloat[k];
                const auto sine = value[k];
                const auto triangle = 1.0f - 4.0f * std::abs (pf - 0.5f);
                const auto saw = 2.0f * pf - 1.0f;
                const auto soft = 0.85f * sine + 0.15f * triangle;
                const auto bright = (saw - 0.33f * (saw * saw * saw)) * 0.55f;
                lane.oscillator[k] = soft * (1.0f - blend) + bright * blend;
            }
        }

        // The filters, lane by lane in local arrays: their linear stages then run over all lanes
        // at once, four at a time. Lanes without a voice hold zeros and stay at zero.
        std::array<float, numVoices> s1 {}, s2 {}, s3 {}, s4 {}, drive {}, velocity {};

        for (size_t i = 0; i < count; ++i)
        {
            const auto& stages = lanes[i].voice->filterStages;
            s1[i] = stages[0];
            s2[i] = stages[1];
            s3[i] = stages[2];
            s4[i] = stages[3];
            velocity[i] = lanes[i].voice->velocity;
        }

        const auto writeOutput = [&] (size_t n, float sum)
        {
            const auto out = 0.85f * std::tanh (s.masterGain * sum * 1.2f);
            const auto sample = chunkStart + (int) n;

            if (numChannels >= 1)
                buffer.addSample (0, sample, out);

            if (numChannels >= 2)
                buffer.addSample (1, sample, out);
        };

        // While every lane sounds.
        for (size_t n = 0; n < commonLength; ++n)
        {
            for (size_t i = 0; i < count; ++i)
            {
                const auto x = lanes[i].oscillator[n] - feedback * s4[i];
                drive[i] = std::tanh (x) - std::tanh (s1[i]);
            }

            const auto gn = g[n];

            for (size_t i = 0; i < numVoices; ++i)
            {
                s1[i] += drive[i] * gn;
                s2[i] += (s1[i] - s2[i]) * gn;
                s3[i] += (s2[i] - s3[i]) * gn;
                s4[i] += (s3[i] - s4[i]) * gn;
            }

            auto sum = 0.0f;

            for (size_t i = 0; i < count; ++i)
                sum += s4[i] * envelopes[n][i] * velocity[i];

            writeOutput (n, sum);
        }

        // After a voice has ended within the chunk.
        for (size_t n = commonLength; n < length; ++n)
        {
            auto sum = 0.0f;

            for (size_t i = 0; i < count; ++i)
            {
                if (n >= lanes[i].length)
                    continue;

                const auto x = lanes[i].oscillator[n] - feedback * s4[i];
                s1[i] += (std::tanh (x) - std::tanh (s1[i])) * g[n];
                s2[i] += (s1[i] - s2[i]) * g[n];
                s3[i] += (s2[i] - s3[i]) * g[n];
                s4[i] += (s3[i] - s4[i]) * g[n];

                sum += s4[i] * envelopes[n][i] * velocity[i];
            }

            writeOutput (n, sum);
        }

        for (size_t i = 0; i < count; ++i)
            lanes[i].voice->filterStages = { s1[i], s2[i], s3[i], s4[i] };
    }
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

    if (reverbIdle.processed (buffer, ! voicesSounded, r))
    {
        reverbProcessor.reset();
        reverbIdle.cleared();
    }
}
