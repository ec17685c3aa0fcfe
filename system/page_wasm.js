// The calls of system/*_wasm.cpp into the page. Linked into the game as an emscripten JS
// library.
addToLibrary({
    // sessionend_wasm.cpp: the page's "pagehide" calls varnoth_pageHidden.
    varnoth_listenForPageHide: () => {
        window.addEventListener('pagehide', () => Module._varnoth_pageHidden());
    },

    // chinese_wasm.cpp: the fallback fonts, fetched from the page's fonts/ folder and handed
    // to varnoth_fallbackFontArrived one by one. window.varnothFallbackFonts counts them.
    varnoth_fetchFallbackFonts__deps: ['malloc', 'free'],
    varnoth_fetchFallbackFonts: () => {
        for (const name of ['fallback.otf', 'fallback-upper.otf']) {
            fetch('fonts/' + name).then(response => response.arrayBuffer()).then(font => {
                const bytes = _malloc(font.byteLength);
                HEAPU8.set(new Uint8Array(font), bytes);
                Module._varnoth_fallbackFontArrived(bytes, font.byteLength);
                _free(bytes);
                window.varnothFallbackFonts = (window.varnothFallbackFonts || 0) + 1;
            }).catch(error => console.error('Varnoth: no fallback font ' + name + ': ' + error));
        }
    },

    // beep_wasm.cpp: a tenth of a second of a soft 880 Hz tone, through one audio context
    // for the page, made at the first beep: a key press, which lets a page start its sound.
    // The page counts its beeps (window.varnothBeeps), which is all a silent machine can
    // tell of them.
    varnoth_playTone: () => {
        window.varnothBeeps = (window.varnothBeeps || 0) + 1;
        try {
            const AudioContext = window.AudioContext || window.webkitAudioContext;
            if (!AudioContext)
                return;
            const audio = window.varnothAudio = window.varnothAudio || new AudioContext();
            const tone = audio.createOscillator();
            const volume = audio.createGain();
            tone.frequency.value = 880;
            volume.gain.setValueAtTime(0.2, audio.currentTime);
            volume.gain.exponentialRampToValueAtTime(0.001, audio.currentTime + 0.1);
            tone.connect(volume).connect(audio.destination);
            tone.start();
            tone.stop(audio.currentTime + 0.1);
        } catch (e) {
        }
    },
});
