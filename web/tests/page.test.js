// The page in Debian's chromium, headless, served from build/web as a
// static host serves it: every way in, every save button against the native
// build's bytes in each line style, undo and redo, refused files and
// pictures too large for the engine's memory told in sentences, a browser
// without WebAssembly SIMD, a 48 MP photo, offline use, a phone's width and
// the keyboard, the drawing in view as options change, readable buttons, the
// line style it opens on and the one chosen kept across visits.
'use strict';
const { after, before, describe, test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const fixtures = require('./fixtures.js');
const { made, photo, transparentPng, expectedOutput, assertSame } = fixtures;

// Each save button, what it writes and the end of its file's name.
const Saves = [
    { name: 'PNG 透過', format: 'png', transparent: true, file: '-velmora-transparent.png' },
    { name: 'PNG 白黒', format: 'png', transparent: false, file: '-velmora.png' },
    { name: 'SVG', format: 'svg', transparent: true, file: '-velmora.svg' },
    { name: 'BMP', format: 'bmp', transparent: false, file: '-velmora.bmp' },
];
const Controls = ['language', 'open', 'paste', 'execute', 'undo', 'redo', 'noise', 'thickness', 'style', 'contrast',
                  'auto', 'save-png', 'save-png-white', 'save-svg', 'save-bmp', 'copy', 'show', 'zoom-out', 'zoom-in',
                  'fit', 'viewport'];
// Each option's label and how its select writes a value.
const Selects = {
    thick: ['線の太さ', (v) => (v ? '1' : '0')],
    noise: ['ゴミ除去', (v) => (v ? '1' : '0')],
    style: ['線の種類', String],
    contrast: ['コントラスト', String],
};
// The page's own words for the engine's names of styles and thicknesses.
const Labels = {
    ja: { edges: '輪郭', ink: 'インク', photo: '写真', thin: '細い', thick: '太い' },
    en: { edges: 'Edges', ink: 'Ink', photo: 'Photo', thin: 'Thin', thick: 'Thick' },
};
// What the page opens with: photo lines, since most bring a phone's photo.
const Defaults = { thick: false, contrast: 7, noise: false, style: 'photo' };
const Settings = [
    Defaults,
    { thick: true, contrast: 3, noise: true, style: 'edges' },
    { thick: false, contrast: 12, noise: true, style: 'edges' },
    { thick: false, contrast: 7, noise: false, style: 'ink' },
    { thick: true, contrast: 10, noise: true, style: 'ink' },
    { thick: true, contrast: 2, noise: false, style: 'photo' },
    { thick: false, contrast: 14, noise: true, style: 'photo' },
];

let server;
let browser;
let url;

before(async () => {
    server = await fixtures.serve();
    browser = await fixtures.launch();
    url = `http://127.0.0.1:${server.address().port}/`;
});

after(async () => {
    await browser?.close();
    server?.close();
});

// A page in a browser of its own, at viewport, speaking locale. prepare, when
// given, sets the page up before it loads: the worker asks for the engine as
// soon as it starts. Without the service worker, which fetches past routes
// and keeps what it fetched, only routed answers reach the page.
async function newPage({ viewport = { width: 1280, height: 800 }, prepare = async () => {}, locale = 'ja-JP',
                         serviceWorkers = 'allow' } = {}) {
    const context = await browser.newContext({ locale, viewport, acceptDownloads: true, serviceWorkers });
    const page = await context.newPage();
    await prepare(page);
    page.errors = [];
    page.on('pageerror', (error) => page.errors.push(error.message));
    // Chosen files are handed over by a handler set up before anything is
    // clicked: one set up with the click may come too late for the dialog.
    page.on('filechooser', (chooser) => chooser.setFiles(page.chosenFile));
    await page.goto(url);
    return page;
}

// Waits for the conversion a step started to be shown.
async function converted(page, step) {
    const before = await page.getAttribute('#picture', 'src');
    await step();
    await page.waitForFunction((old) => {
        const picture = document.getElementById('picture');
        return picture.getAttribute('src') !== old && !document.body.hasAttribute('aria-busy');
    }, before, { timeout: 120000 });
}

// Hands file to the page by 開く, or as a drop or a paste event would.
async function deliver(page, file, how = 'button') {
    if (how === 'button') {
        page.chosenFile = file;
        return page.locator('#open').click();
    }
    const bytes = fs.readFileSync(file).toString('base64');
    return page.evaluate(({ bytes, name, how }) => {
        const data = new DataTransfer();
        const raw = Uint8Array.from(atob(bytes), (c) => c.charCodeAt(0));
        data.items.add(new File([raw], name));
        const target = document.getElementById('viewport');
        if (how === 'drop') target.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true }));
        else target.dispatchEvent(new ClipboardEvent('paste', { clipboardData: data, bubbles: true }));
    }, { bytes, name: path.basename(file), how });
}

const opened = (page, file, how) => converted(page, () => deliver(page, file, how));

// The sentence the page tells after step.
async function told(page, step) {
    await page.evaluate(() => (document.getElementById('message').textContent = ''));
    await step();
    await page.waitForFunction(() => document.getElementById('message').textContent !== '', null, { timeout: 120000 });
    return page.textContent('#message');
}
const clicked = (page, name) => converted(page, () => page.getByRole('button', { name }).click());
const alerted = (page, words) => page.getByRole('alert').filter({ hasText: words }).waitFor();

// Chromium drops a page's downloads beyond ten a second, so saves are
// spaced out.
const DownloadGap = 110;

async function saved(page, name = 'PNG 白黒') {
    const wait = (page.lastSave ?? 0) + DownloadGap - Date.now();
    if (wait > 0) await page.waitForTimeout(wait);
    page.lastSave = Date.now();
    const download = page.waitForEvent('download');
    await page.getByRole('button', { name, exact: true }).click();
    const file = await download;
    return { name: file.suggestedFilename(), bytes: fs.readFileSync(await file.path()) };
}

// Sets the options o names (one conversion per change while オート抽出 is on).
async function setOptions(page, o) {
    for (const [key, [label, value]] of Object.entries(Selects)) {
        const select = page.getByLabel(label);
        if (key in o && (await select.inputValue()) !== value(o[key])) {
            await converted(page, () => select.selectOption(value(o[key])));
        }
    }
}

async function assertOptionsShown(page, o, what) {
    for (const [key, [label, value]] of Object.entries(Selects)) {
        assert.strictEqual(await page.getByLabel(label).inputValue(), value(o[key]), `${what}: ${label}`);
    }
}

// The save buttons named (all by default) write what the native build
// writes of file with options o, under the picture's name.
async function assertSaves(page, file, o, names = Saves.map((save) => save.name)) {
    const stem = path.basename(file).replace(/\.[^.]*$/, '');
    for (const save of Saves.filter((s) => names.includes(s.name))) {
        const { name, bytes } = await saved(page, save.name);
        assert.strictEqual(name, `${stem}${save.file}`);
        assertSame(bytes, expectedOutput(file, { ...o, ...save }), `${path.basename(file)} ${save.name} ` +
                   JSON.stringify(o));
    }
}

// A file of the given bytes among the test pictures.
function dataFile(name, bytes) {
    const file = path.join(fixtures.data, name);
    fs.mkdirSync(fixtures.data, { recursive: true });
    fs.writeFileSync(file, bytes);
    return file;
}

// A BMP whose header claims 20000 × 20000 pixels, more than a picture may
// have.
function hugeBmp() {
    const bytes = fs.readFileSync(made('small.bmp', ['logo:', '-resize', '16x']));
    bytes.writeInt32LE(20000, 18);
    bytes.writeInt32LE(20000, 22);
    return dataFile('huge.bmp', bytes);
}

const OutOfMemory = {
    ja: 'メモリが不足しています．ブラウザがこのページに使わせるメモリには，この画像は大きすぎます．',
    en: 'Out of memory. The picture is too large for the memory the browser gives this page.',
};
// Files the engine refuses, and what the page says of each.
const Refused = [
    {
        what: 'a JPEG cut short',
        file: () => dataFile('damaged.jpg', fs.readFileSync(photo()).subarray(0, fs.statSync(photo()).size >> 1)),
        ja: '画像を読み込めませんでした．ファイルが壊れているか，途中で切れています．',
        en: 'The picture could not be read. The file is damaged or cut short.',
    },
    {
        what: 'text named as a JPEG', file: () => dataFile('notes.jpg', Buffer.from('not a picture')),
        ja: 'BMP，JPEG，PNG の画像を開いてください．', en: 'Open a BMP, JPEG or PNG picture.',
    },
    {
        what: 'a JPEG of 190 scans', file: () => path.join(fixtures.root, 'tests/data/jpeg/scans-190.jpg'),
        ja: '画像を読み込めませんでした．プログレッシブ JPEG のスキャンが多すぎます．',
        en: 'The picture could not be read. It is a progressive JPEG of too many scans.',
    },
    {
        what: 'a BMP of 20000 × 20000 pixels', file: hugeBmp,
        ja: '画像を読み込めませんでした．画像の画素が多すぎます．',
        en: 'The picture could not be read. The picture has too many pixels.',
    },
    // Its coefficients, kept whole until the last scan, need more than the
    // engine's memory may grow to.
    {
        what: 'a progressive 48 MP JPEG',
        file: () => made('48mp-progressive.jpg', ['logo:', '-scale', '8000x6000!', '-quality', '85', '-interlace',
                                                  'Plane']),
        ...OutOfMemory,
    },
];
const Locales = { ja: 'ja-JP', en: 'en-US' };

// A phone's photo stands upright, 3 : 4.
const portrait = () => made('portrait.jpg', ['logo:', '-rotate', '90', '-resize', '600x800!', '-quality', '90']);
// Screens the page is seen on, with the picture opened there.
const Screens = [
    { viewport: { width: 390, height: 844 }, locale: 'ja-JP', file: portrait },
    { viewport: { width: 390, height: 844 }, locale: 'en-US', file: portrait },
    { viewport: { width: 390, height: 844 }, locale: 'ja-JP', file: photo },
    { viewport: { width: 375, height: 667 }, locale: 'ja-JP', file: portrait },
    { viewport: { width: 1280, height: 800 }, locale: 'ja-JP', file: portrait },
    { viewport: { width: 1280, height: 800 }, locale: 'en-US', file: photo },
];

// How much of the element with id the reader sees, unscrolled: the part of
// its area on screen (and inside the picture's view), and that part's
// height.
function onScreen(page, id) {
    return page.evaluate((id) => {
        const box = document.getElementById(id).getBoundingClientRect();
        const view = document.getElementById('viewport').getBoundingClientRect();
        const inside = id === 'picture' ? view : { left: 0, top: 0, right: innerWidth, bottom: innerHeight };
        const width = Math.min(box.right, inside.right, innerWidth) - Math.max(box.left, inside.left, 0);
        const height = Math.min(box.bottom, inside.bottom, innerHeight) - Math.max(box.top, inside.top, 0);
        const seen = Math.max(width, 0) * Math.max(height, 0);
        return { part: seen / (box.width * box.height), height: Math.max(height, 0) };
    }, id);
}

// The contrast of the text of the element with id on what is behind it,
// as WCAG reckons it; its background and those of the elements it lies on
// are laid over the white page.
function contrast(page, id) {
    return page.evaluate((id) => {
        const rgba = (colour) => {
            const [r, g, b, a = 1] = colour.match(/[\d.]+/g).map(Number);
            return { r, g, b, a };
        };
        const over = (top, below) => ({
            r: top.r * top.a + below.r * (1 - top.a), g: top.g * top.a + below.g * (1 - top.a),
            b: top.b * top.a + below.b * (1 - top.a), a: 1,
        });
        const element = document.getElementById(id);
        const layers = [];
        for (let e = element; e; e = e.parentElement) layers.push(rgba(getComputedStyle(e).backgroundColor));
        const background = layers.reduceRight((below, layer) => over(layer, below), { r: 255, g: 255, b: 255, a: 1 });
        const text = over(rgba(getComputedStyle(element).color), background);
        const linear = (c) => (c / 255 <= 0.04045 ? c / 255 / 12.92 : ((c / 255 + 0.055) / 1.055) ** 2.4);
        const luminance = ({ r, g, b }) => 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
        const [light, dark] = [luminance(text), luminance(background)].sort((x, y) => y - x);
        return (light + 0.05) / (dark + 0.05);
    }, id);
}

// Each test has its five minutes, whatever node's version offers else.
const Timeout = { timeout: 300000 };

describe('the page', Timeout, () => {
    test('opened, dropped and pasted pictures save as the native build writes them', Timeout, async () => {
        const page = await newPage();
        const ways = [[photo(), 'button'], [transparentPng(), 'drop'],
                      [made('photo.bmp', ['logo:', '-resize', '150x']), 'paste']];
        for (const [file, how] of ways) {
            await opened(page, file, how);
            for (const o of Settings) {
                await setOptions(page, o);
                await assertSaves(page, file, o);
            }
        }
        assert.deepStrictEqual(page.errors, []);
    });

    test('each option change redraws, and undo and redo bring back the results and options', Timeout, async () => {
        const page = await newPage();
        await opened(page, photo());
        // One change a step, each one result; the last chooses 写真 again.
        const changed = { thick: true, noise: true, contrast: 4 };
        const steps = [Defaults, { ...Defaults, thick: true }, { ...Defaults, thick: true, noise: true },
                       { ...Defaults, ...changed }, { ...changed, style: 'ink' }, { ...changed, style: 'photo' }];
        const results = [(await saved(page)).bytes];
        for (const o of steps.slice(1)) {
            await setOptions(page, o);
            results.push((await saved(page)).bytes);
            assert.ok(!results.at(-1).equals(results.at(-2)), `${JSON.stringify(o)} changed nothing`);
            assertSame(results.at(-1), expectedOutput(photo(), { ...o, format: 'png' }), JSON.stringify(o));
        }
        assertSame(results[5], results[3], '写真 chosen again');
        const moves = [['元に戻す', 4], ['元に戻す', 3], ['元に戻す', 2], ['元に戻す', 1], ['元に戻す', 0],
                       ['Control+y', 1], ['Control+y', 2], ['Control+z', 1], ['やり直し', 2], ['やり直し', 3],
                       ['やり直し', 4], ['Control+y', 5]];
        for (const [move, index] of moves) {
            const button = page.getByRole('button', { name: move });
            await converted(page, () => (move.startsWith('Control') ? page.keyboard.press(move) : button.click()));
            assertSame((await saved(page)).bytes, results[index], `${move} to ${index}`);
            await assertOptionsShown(page, steps[index], `${move} to ${index}`);
        }
        // Without オート抽出 a change waits for 実行.
        await page.getByLabel('オート抽出').uncheck();
        const shown = await page.getAttribute('#picture', 'src');
        await page.getByLabel('線の種類').selectOption('ink');
        await page.waitForTimeout(500);
        assert.strictEqual(await page.getAttribute('#picture', 'src'), shown);
        await clicked(page, '実行');
        await assertSaves(page, photo(), { ...steps[moves.at(-1)[1]], style: 'ink' }, ['PNG 白黒']);
    });

    for (const [language, locale] of Object.entries(Locales)) {
        test(`a refused file is told in a sentence (${language}) and the picture stays`, Timeout, async () => {
            const page = await newPage({ locale });
            await opened(page, photo());
            const shown = await page.getAttribute('#picture', 'src');
            const before = (await saved(page, 'BMP')).bytes;
            for (const refused of Refused) {
                assert.strictEqual(await told(page, () => deliver(page, refused.file())), refused[language],
                                   refused.what);
                assert.strictEqual(await page.getAttribute('#picture', 'src'), shown, refused.what);
            }
            const after = await saved(page, 'BMP');
            assert.strictEqual(after.name, 'photo-velmora.bmp');
            assertSame(after.bytes, before, 'after the refused files');
        });

        // The engine stops when its BMP, 144 MB, outgrows the memory it may
        // have; a new one takes the next conversion.
        test(`a 48 MP photo too large to save as BMP is told so (${language}), and the page goes on`, Timeout,
             async () => {
            const page = await newPage({ locale });
            await opened(page, made('48mp.jpg', ['logo:', '-scale', '8000x6000!', '-quality', '85']));
            assert.strictEqual(await told(page, () => page.locator('#save-bmp').click()), OutOfMemory[language]);
            await converted(page, () => page.locator('#thickness').selectOption('1'));
            assert.strictEqual(await page.textContent('#message'), '');
            assert.deepStrictEqual(page.errors, []);
        });
    }

    test('コピー puts the drawing on the clipboard and 貼り付け opens it', Timeout, async () => {
        const page = await newPage();
        await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
        await opened(page, photo());
        await page.getByRole('button', { name: 'コピー' }).click();
        await alerted(page, 'クリップボードへコピーしました');
        // The browser may encode the PNG anew: its size is what must stay.
        const copied = await page.evaluate(async () => {
            const [item] = await navigator.clipboard.read();
            const image = await createImageBitmap(await item.getType('image/png'));
            return [image.width, image.height];
        });
        const expected = expectedOutput(photo(), { ...Defaults, format: 'png' });
        assert.deepStrictEqual(copied, [expected.readUInt32BE(16), expected.readUInt32BE(20)]);
        // Pasted back, the drawing opens as a new picture, named as a
        // pasted one.
        await clicked(page, '貼り付け');
        assert.match((await saved(page, 'BMP')).name, /^image-velmora\.bmp$/);
    });

    for (const missing of ['velmora.wasm', 'velmora.js']) {
        test(`a browser that cannot run the engine (no ${missing}) is told so`, Timeout, async () => {
            const page = await newPage({
                prepare: (p) => p.route(`**/${missing}`, (r) => r.fulfill({ status: 404 })), serviceWorkers: 'block',
            });
            assert.strictEqual(await told(page, () => deliver(page, photo())),
                               'このブラウザでは抽出できません（WebAssembly が必要です）．');
            assert.ok(await page.getByRole('button', { name: 'BMP' }).isDisabled());
        });
    }

    test('a 48 MP photo converts within the memory cap', Timeout, async () => {
        const page = await newPage();
        await opened(page, made('48mp.jpg', ['logo:', '-scale', '8000x6000!', '-quality', '85']));
        const memory = Number(await page.getAttribute('#status', 'data-memory'));
        assert.match(await page.textContent('#status'), /^8000 × 6000，/);
        assert.ok(memory > 0 && memory <= 128 * 1048576, `memory ${memory}`);
    });

    // The build without SIMD is tried with the one with SIMD out of the
    // page's reach. Routed requests pass the service worker by: offline is
    // tried on a page without routes, whose kept build with SIMD is thrown
    // away when the browser is to lack SIMD.
    for (const simd of [true, false]) {
        test(`${simd ? 'with' : 'without'} WebAssembly SIMD it converts, also offline`, Timeout, async () => {
            const prepare = async (p) => {
                if (!simd) await p.addInitScript(() => (WebAssembly.validate = () => false));
            };
            const page = await newPage({
                prepare: async (p) => {
                    await prepare(p);
                    if (!simd) await p.route('**/velmora.{js,wasm}', (route) => route.fulfill({ status: 404 }));
                },
            });
            await opened(page, photo());
            for (const o of [Defaults, Settings.at(-1)]) {
                await setOptions(page, o);
                await assertSaves(page, photo(), o);
            }
            assert.deepStrictEqual(page.errors, []);
            const offline = await newPage({ prepare });
            await offline.evaluate(async (simd) => {
                await navigator.serviceWorker.ready;
                const [name] = await caches.keys();
                const cache = await caches.open(name);
                if (!simd) await Promise.all(['src/velmora.js', 'src/velmora.wasm'].map((f) => cache.delete(f)));
            }, simd);
            await offline.context().setOffline(true);
            await offline.reload();
            await opened(offline, photo());
            await assertSaves(offline, photo(), Defaults, ['BMP', 'SVG']);
        });
    }

    test('at phone width every control is on screen and reached and used by the keyboard', Timeout, async () => {
        const page = await newPage({ viewport: { width: 390, height: 844 } });
        // Tab from the top reaches every control once there is a step to
        // undo and one to redo; nothing scrolls sideways.
        await opened(page, photo());
        await setOptions(page, { contrast: 5 });
        await setOptions(page, { contrast: 6 });
        await clicked(page, '元に戻す');
        for (const id of Controls) {
            const control = page.locator(`#${id}`);
            await control.scrollIntoViewIfNeeded();
            const box = await control.boundingBox();
            assert.ok(box && box.x >= 0 && box.x + box.width <= 390, `${id} at ${JSON.stringify(box)}`);
        }
        assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 390));
        await page.click('h1');
        const reached = new Set();
        for (let i = 0; i < 2 * Controls.length && reached.size < Controls.length; ++i) {
            await page.keyboard.press('Tab');
            reached.add(await page.evaluate(() => document.activeElement.id));
        }
        assert.deepStrictEqual(Controls.filter((id) => !reached.has(id)), []);
        // Open by Enter, change options by the arrow keys: the style from
        // 写真 to the one above it.
        await page.focus('#open');
        page.chosenFile = transparentPng();
        await converted(page, () => page.keyboard.press('Enter'));
        for (const [id, key] of [['thickness', 'ArrowDown'], ['style', 'ArrowUp']]) {
            await page.focus(`#${id}`);
            await converted(page, () => page.keyboard.press(key));
        }
        // The undo above left contrast at 5.
        await assertSaves(page, transparentPng(), { thick: true, contrast: 5, noise: false, style: 'ink' }, ['BMP']);
        await page.focus('#zoom-in');
        await page.keyboard.press('Enter');
        assert.match(await page.textContent('#zoom'), /^\d+ %$/);
    });

    test('the drawing stays in view as an option changes, on a phone as on a desktop', Timeout, async () => {
        for (const { viewport, locale, file } of Screens) {
            const what = `${viewport.width} × ${viewport.height} ${locale} ${path.basename(file())}`;
            const page = await newPage({ viewport, locale });
            await opened(page, file());
            await converted(page, () => page.locator('#thickness').selectOption('1'));
            const select = await onScreen(page, 'thickness');
            const picture = await onScreen(page, 'picture');
            assert.strictEqual(select.part, 1, `${what}: the option list is cut`);
            assert.ok(picture.part >= 0.75 && picture.height >= viewport.height / 4,
                      `${what}: ${JSON.stringify(picture)} of the drawing seen`);
            await page.context().close();
        }
    });

    test('buttons keep readable text at rest and under the mouse', Timeout, async () => {
        const page = await newPage();
        for (const id of ['language', 'open', 'paste']) {
            for (const hovered of [false, true]) {
                if (hovered) await page.hover(`#${id}`);
                else await page.mouse.move(0, 0);
                const ratio = await contrast(page, id);
                assert.ok(ratio >= 4.5, `${id}${hovered ? ' hovered' : ''}: contrast ${ratio.toFixed(2)}`);
            }
        }
    });

    test('the line style chosen is kept for the next visit', Timeout, async () => {
        const page = await newPage();
        const style = page.getByLabel('線の種類');
        // The visitor's choice is kept over the style the page opens on; a
        // stored style the list does not offer leaves that one.
        const steps = [['ink', 'ink'], ['edges', 'edges'], ['photo', 'photo'], ['edges', 'edges'],
                       [null, 'photo', 'dots']];
        for (const [chosen, kept, stored] of steps) {
            if (chosen) await style.selectOption(chosen);
            if (stored) await page.evaluate((s) => localStorage.setItem('style', s), stored);
            await page.reload();
            assert.strictEqual(await style.inputValue(), kept, `${chosen ?? stored} kept as ${kept}`);
        }
        await style.selectOption('ink');
        await page.reload();
        await opened(page, photo());
        await assertSaves(page, photo(), { ...Defaults, style: 'ink' }, ['BMP']);
        // Undo brings back the list as it was, and that is kept.
        await converted(page, () => style.selectOption('edges'));
        await clicked(page, '元に戻す');
        await page.reload();
        assert.strictEqual(await style.inputValue(), 'ink', 'after undo');
    });

    test('lists the engine\'s choices in its order under the page\'s labels, in both languages', Timeout, async () => {
        const module = await fixtures.engine('velmora');
        const names = (nameOf) => fixtures.engineNames(module, nameOf);
        const contrast = fixtures.headerNumbers();
        const contrasts = [];
        for (let c = contrast.CONTRAST_LOWEST; c <= contrast.CONTRAST_HIGHEST; ++c) contrasts.push(c);
        const label = (language, name) => {
            assert.ok(name in Labels[language], `a ${language} label for ${name}`);
            return Labels[language][name];
        };
        const page = await newPage();
        for (const language of ['ja', 'en']) {
            const lists = await page.evaluate(() => Object.fromEntries(['style', 'thickness', 'contrast'].map((id) => [
                id, [...document.getElementById(id).options].map((o) => [o.value, o.text, o.selected])])));
            assert.deepStrictEqual(lists, {
                style: names(module._velmora_style_name)
                    .map((name) => [name, label(language, name), name === Defaults.style]),
                thickness: names(module._velmora_thickness_name)
                    .map((name, n) => [String(n), label(language, name), n === 0]),
                contrast: contrasts.map((c) => [String(c), String(c), c === contrast.CONTRAST_DEFAULT]),
            }, language);
            await page.locator('#language').click();
        }
    });

    test('speaks English and Japanese, and switches', Timeout, async () => {
        const context = await browser.newContext({ locale: 'en-US' });
        const page = await context.newPage();
        await page.goto(url);
        await page.getByRole('button', { name: 'Extract' }).waitFor();
        assert.deepStrictEqual(await page.getByLabel('Line style').locator('option').allTextContents(),
                               ['Edges', 'Ink', 'Photo']);
        await page.getByRole('button', { name: '日本語' }).click();
        await page.getByRole('button', { name: '実行' }).waitFor();
        assert.deepStrictEqual(await page.getByLabel('線の種類').locator('option').allTextContents(),
                               ['輪郭', 'インク', '写真']);
        await page.reload();
        await page.getByRole('button', { name: '実行' }).waitFor();
    });
});
