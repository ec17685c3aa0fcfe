// safefile_wasm.cpp's calls into the page: the items of the storage the browser keeps for
// the page's origin (localStorage). Linked into the game as an emscripten JS library.
addToLibrary({
    // 1 with the item's characters as bytes in a buffer of malloc's (*text, *length), 0 when
    // there is no such item, -1 with the browser's words (*text) when storage refuses the
    // call. A character above U+00FF, which no byte gives, reads as the byte 0xFF, which no
    // GB18030 text holds: the file is damaged.
    varnoth_storageGet__deps: ['$UTF8ToString', '$stringToNewUTF8', 'malloc'],
    varnoth_storageGet: (key, text, length) => {
        try {
            const value = localStorage.getItem(UTF8ToString(key));
            if (value === null)
                return 0;
            const bytes = _malloc(value.length + 1);
            for (let i = 0; i < value.length; ++i)
                HEAPU8[bytes + i] = Math.min(value.charCodeAt(i), 0xff);
            HEAPU32[text >> 2] = bytes;
            HEAP32[length >> 2] = value.length;
            return 1;
        } catch (e) {
            HEAPU32[text >> 2] = stringToNewUTF8(String(e));
            return -1;
        }
    },

    // Sets the item to the bytes; 0, or the browser's words in a buffer of malloc's.
    varnoth_storageSet__deps: ['$UTF8ToString', '$stringToNewUTF8'],
    varnoth_storageSet: (key, bytes, length) => {
        try {
            let value = '';
            for (let i = 0; i < length; ++i)
                value += String.fromCharCode(HEAPU8[bytes + i]);
            localStorage.setItem(UTF8ToString(key), value);
            return 0;
        } catch (e) {
            return stringToNewUTF8(String(e));
        }
    },

    varnoth_storageRemove__deps: ['$UTF8ToString'],
    varnoth_storageRemove: (key) => {
        try {
            localStorage.removeItem(UTF8ToString(key));
        } catch (e) {
        }
    },

    // The keys that start with the prefix, each followed by a zero byte, in a buffer of malloc's.
    varnoth_storageKeys__deps: ['$UTF8ToString', '$stringToNewUTF8'],
    varnoth_storageKeys: (prefix) => {
        const start = UTF8ToString(prefix);
        let keys = '';
        try {
            for (let i = 0; i < localStorage.length; ++i) {
                const key = localStorage.key(i);
                if (key !== null && key.startsWith(start))
                    keys += key + '\0';
            }
        } catch (e) {
        }
        return stringToNewUTF8(keys);
    },
});
