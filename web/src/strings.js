// The page's words in Japanese (the window program's labels) and English.
// Elements carry data-text="key" (their text) or data-text-label="key"
// (their accessible name).
export const Strings = {
    ja: {
        title: 'ヴェルモラ抽出器', open: '開く', paste: '貼り付け', execute: '実行', undo: '元に戻す',
        redo: 'やり直し', options: 'オプション', noise: 'ゴミ除去', thickness: '線の太さ', thin: '細い',
        thick: '太い', style: '線の種類', edges: '輪郭', ink: 'インク', photo: '写真', contrast: 'コントラスト',
        auto: 'オート抽出', save: '保存', transparent: '透過',
        blackOnWhite: '白黒', copy: 'コピー', showOriginal: '元画像', showResult: '線画', zoomOut: '縮小',
        zoomIn: '拡大', fit: '全体', picture: '画像',
        welcome: '画像を開くか，ここにドロップするか，貼り付けてください．',
        working: '抽出中…', done: '{width} × {height}，{seconds} 秒，メモリ {memory} MB',
        unreadable: '画像を読み込めませんでした．', damaged: 'ファイルが壊れているか，途中で切れています．',
        tooManyScans: 'プログレッシブ JPEG のスキャンが多すぎます．', tooLarge: '画像の画素が多すぎます．',
        outOfMemory: 'メモリが不足しています．',
        tooLargeForMemory: 'ブラウザがこのページに使わせるメモリには，この画像は大きすぎます．',
        failed: '線画を作れませんでした．',
        unsupported: 'BMP，JPEG，PNG の画像を開いてください．', copied: 'クリップボードへコピーしました．',
        noClipboard: 'クリップボードに画像がありません．', clipboardRefused: 'クリップボードを使えませんでした．',
        unavailable: 'このブラウザでは抽出できません（WebAssembly が必要です）．',
    },
    en: {
        title: 'Velmora Extractor', open: 'Open', paste: 'Paste', execute: 'Extract', undo: 'Undo', redo: 'Redo',
        options: 'Options', noise: 'Remove specks', thickness: 'Line thickness', thin: 'Thin', thick: 'Thick',
        style: 'Line style', edges: 'Edges', ink: 'Ink', photo: 'Photo',
        contrast: 'Contrast', auto: 'Auto extract', save: 'Save', transparent: 'transparent',
        blackOnWhite: 'black on white', copy: 'Copy', showOriginal: 'Original', showResult: 'Drawing',
        zoomOut: 'Zoom out', zoomIn: 'Zoom in', fit: 'Fit', picture: 'Picture',
        welcome: 'Open a picture, drop it here or paste it.',
        working: 'Extracting…', done: '{width} × {height}, {seconds} s, memory {memory} MB',
        unreadable: 'The picture could not be read.', damaged: 'The file is damaged or cut short.',
        tooManyScans: 'It is a progressive JPEG of too many scans.', tooLarge: 'The picture has too many pixels.',
        outOfMemory: 'Out of memory.',
        tooLargeForMemory: 'The picture is too large for the memory the browser gives this page.',
        failed: 'The drawing could not be made.',
        unsupported: 'Open a BMP, JPEG or PNG picture.', copied: 'Copied to the clipboard.',
        noClipboard: 'There is no picture on the clipboard.', clipboardRefused: 'The clipboard could not be used.',
        unavailable: 'This browser cannot extract (it needs WebAssembly).',
    },
};

// The language the browser prefers, of those the page speaks.
export function preferredLanguage() {
    const stored = localStorage.getItem('language');
    if (stored in Strings) return stored;
    const found = (navigator.languages || [navigator.language]).find((l) => l.slice(0, 2) in Strings);
    return found ? found.slice(0, 2) : 'en';
}

// The text of key, with {name} replaced by values.name.
export function text(language, key, values = {}) {
    return Strings[language][key].replace(/\{(\w+)\}/g, (_, name) => values[name]);
}

// The texts of keys, one sentence after another as the language writes them.
export function sentences(language, keys) {
    return keys.map((key) => text(language, key)).join(language === 'ja' ? '' : ' ');
}
