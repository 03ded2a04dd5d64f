// The page in Debian's chromium, headless, served from build/web as a
// static host serves it: every way in, every save button against
// velmora-cli's bytes, undo and redo, a damaged file, a browser without
// WebAssembly SIMD, a 48 MP photo, offline use, a phone's width and the
// keyboard.
'use strict';
const { after, before, describe, test } = require('node:test');
const assert = require('node:assert');
const fs = require('node:fs');
const path = require('node:path');
const fixtures = require('./fixtures.js');
const { root, made, photo, transparentPng, cliOutput, firstDifference } = fixtures;

const Saves = [
    { name: 'PNG 透過', format: 'png', transparent: true },
    { name: 'PNG 白黒', format: 'png', transparent: false },
    { name: 'SVG', format: 'svg', transparent: true },
    { name: 'BMP', format: 'bmp', transparent: false },
];
const Controls = ['language', 'open', 'paste', 'execute', 'undo', 'redo', 'noise', 'thickness', 'contrast', 'auto',
                  'save-png', 'save-png-white', 'save-svg', 'save-bmp', 'copy', 'show', 'zoom-out', 'zoom-in', 'fit',
                  'viewport'];

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

// prepare, when given, sets the page up before it loads: the worker asks
// for the engine as soon as it starts.
async function newPage(viewport = { width: 1280, height: 800 }, prepare = async () => {}) {
    const context = await browser.newContext({ locale: 'ja-JP', viewport, acceptDownloads: true });
    const page = await context.newPage();
    await prepare(page);
    const errors = [];
    page.on('pageerror', (error) => errors.push(error.message));
    page.errors = errors;
    // Chosen files are handed over by a handler set up before anything is
    // clicked: one set up with the click may come too late for the dialog.
    page.on('filechooser', (chooser) => chooser.setFiles(page.chosenFile));
    await page.goto(url);
    return page;
}

// Waits for the conversion a step started to be shown, and returns the
// source of the picture shown then.
async function converted(page, step) {
    const before = await page.getAttribute('#picture', 'src');
    await step();
    await page.waitForFunction((old) => {
        const picture = document.getElementById('picture');
        return picture.getAttribute('src') !== old && !document.body.hasAttribute('aria-busy');
    }, before, { timeout: 120000 });
    return page.getAttribute('#picture', 'src');
}

async function openByButton(page, file) {
    page.chosenFile = file;
    await page.getByRole('button', { name: '開く' }).click();
}

// Hands the file to the page as a drop or a paste event would.
async function deliver(page, file, how) {
    const bytes = fs.readFileSync(file).toString('base64');
    await page.evaluate(({ bytes, name, how }) => {
        const data = new DataTransfer();
        const raw = Uint8Array.from(atob(bytes), (c) => c.charCodeAt(0));
        data.items.add(new File([raw], name));
        const target = document.getElementById('viewport');
        if (how === 'drop') target.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true }));
        else target.dispatchEvent(new ClipboardEvent('paste', { clipboardData: data, bubbles: true }));
    }, { bytes, name: path.basename(file), how });
}

// Chromium drops a page's downloads beyond ten a second, so saves are
// spaced out.
const DownloadGap = 110;

async function saved(page, name) {
    const wait = (page.lastSave ?? 0) + DownloadGap - Date.now();
    if (wait > 0) await page.waitForTimeout(wait);
    page.lastSave = Date.now();
    const download = page.waitForEvent('download');
    await page.getByRole('button', { name, exact: true }).click();
    const file = await download;
    return { name: file.suggestedFilename(), bytes: fs.readFileSync(await file.path()) };
}

async function setOptions(page, o) {
    await converted(page, async () => {
        await page.getByLabel('線の太さ').selectOption(o.thick ? '1' : '0');
        await page.getByLabel('ゴミ除去').selectOption(o.noise ? '1' : '0');
        await page.getByLabel('コントラスト').selectOption(String(o.contrast));
    });
}

function assertSame(actual, expected, what) {
    assert.ok(actual.equals(expected), `${what}: ${actual.length} bytes against velmora-cli's ${expected.length}, ` +
              `first difference at ${firstDifference(actual, expected)}`);
}

async function assertSavesMatch(page, file, o) {
    const stem = path.basename(file).replace(/\.[^.]*$/, '');
    for (const save of Saves) {
        const { name, bytes } = await saved(page, save.name);
        assert.strictEqual(name, `${stem}-velmora.${save.format}`);
        assertSame(bytes, cliOutput(file, { ...o, ...save }), `${path.basename(file)} ${save.name} ${JSON.stringify(o)}`);
    }
}

const Settings = [
    { thick: false, contrast: 7, noise: false },
    { thick: true, contrast: 3, noise: true },
    { thick: false, contrast: 12, noise: true },
];

// Each test has its five minutes, whatever node's version offers else.
const Timeout = { timeout: 300000 };

describe('the page', Timeout, () => {
    test('opened, dropped and pasted pictures save as velmora-cli writes them', Timeout, async () => {
        const page = await newPage();
        const bmp = made('photo.bmp', ['logo:', '-resize', '150x']);
        const ways = [
            [photo(), () => openByButton(page, photo())],
            [transparentPng(), () => deliver(page, transparentPng(), 'drop')],
            [bmp, () => deliver(page, bmp, 'paste')],
        ];
        for (const [file, open] of ways) {
            await converted(page, open);
            for (const o of Settings) {
                await setOptions(page, o);
                await assertSavesMatch(page, file, o);
            }
        }
        assert.deepStrictEqual(page.errors, []);
    });

    test('each option change redraws, and undo and redo bring back the earlier results', Timeout, async () => {
        const page = await newPage();
        await converted(page, () => openByButton(page, photo()));
        const results = [(await saved(page, 'PNG 白黒')).bytes];
        const changes = [['線の太さ', '1'], ['ゴミ除去', '1'], ['コントラスト', '4']];
        for (const [label, value] of changes) {
            await converted(page, () => page.getByLabel(label).selectOption(value));
            results.push((await saved(page, 'PNG 白黒')).bytes);
            assert.ok(!results.at(-1).equals(results.at(-2)), `${label} ${value} changed nothing`);
        }
        assertSame(results[3], cliOutput(photo(), { thick: true, noise: true, contrast: 4, format: 'png' }), 'last');
        for (const index of [2, 1, 0]) {
            await converted(page, () => page.getByRole('button', { name: '元に戻す' }).click());
            assertSame((await saved(page, 'PNG 白黒')).bytes, results[index], `undone to ${index}`);
        }
        assert.strictEqual(await page.getByLabel('線の太さ').inputValue(), '0');
        await converted(page, () => page.keyboard.press('Control+y'));
        assertSame((await saved(page, 'PNG 白黒')).bytes, results[1], 'redone');
        assert.strictEqual(await page.getByLabel('線の太さ').inputValue(), '1');
        await converted(page, () => page.keyboard.press('Control+z'));
        assertSame((await saved(page, 'PNG 白黒')).bytes, results[0], 'undone by key');
        // Without オート抽出 a change waits for 実行.
        await page.getByLabel('オート抽出').uncheck();
        const shown = await page.getAttribute('#picture', 'src');
        await page.getByLabel('コントラスト').selectOption('4');
        await page.waitForTimeout(500);
        assert.strictEqual(await page.getAttribute('#picture', 'src'), shown);
        await converted(page, () => page.getByRole('button', { name: '実行' }).click());
        assertSame((await saved(page, 'PNG 白黒')).bytes,
                   cliOutput(photo(), { thick: false, noise: false, contrast: 4, format: 'png' }), 'by 実行');
    });

    test('a damaged file is reported and the picture stays', Timeout, async () => {
        const page = await newPage();
        await converted(page, () => openByButton(page, photo()));
        const shown = await page.getAttribute('#picture', 'src');
        const before = (await saved(page, 'BMP')).bytes;
        const jpeg = fs.readFileSync(photo());
        const damaged = path.join(fixtures.data, 'damaged.jpg');
        fs.writeFileSync(damaged, jpeg.subarray(0, jpeg.length >> 1));
        await openByButton(page, damaged);
        await page.getByRole('alert').filter({ hasText: '画像を読み込めませんでした' }).waitFor();
        assert.strictEqual(await page.getAttribute('#picture', 'src'), shown);
        const after = await saved(page, 'BMP');
        assert.strictEqual(after.name, 'photo-velmora.bmp');
        assertSame(after.bytes, before, 'after the damaged file');
    });

    test('コピー puts the drawing on the clipboard and 貼り付け opens it', Timeout, async () => {
        const page = await newPage();
        await page.context().grantPermissions(['clipboard-read', 'clipboard-write']);
        await converted(page, () => openByButton(page, photo()));
        await page.getByRole('button', { name: 'コピー' }).click();
        await page.getByRole('alert').filter({ hasText: 'クリップボードへコピーしました' }).waitFor();
        // The browser may encode the PNG anew: its size is what must stay.
        const copied = await page.evaluate(async () => {
            const [item] = await navigator.clipboard.read();
            const image = await createImageBitmap(await item.getType('image/png'));
            return [image.width, image.height];
        });
        const expected = cliOutput(photo(), { thick: false, contrast: 7, noise: false, format: 'png' });
        assert.deepStrictEqual(copied, [expected.readUInt32BE(16), expected.readUInt32BE(20)]);
        // Pasted back, the drawing opens as a new picture, named as a
        // pasted one.
        await converted(page, () => page.getByRole('button', { name: '貼り付け' }).click());
        assert.match((await saved(page, 'BMP')).name, /^image-velmora\.bmp$/);
    });

    test('a browser that cannot run the engine is told so', Timeout, async () => {
        const page = await newPage(undefined,
                                   (p) => p.route('**/velmora.wasm', (route) => route.fulfill({ status: 404 })));
        await openByButton(page, photo());
        await page.getByRole('alert').filter({ hasText: 'このブラウザでは抽出できません' }).waitFor();
        assert.ok(await page.getByRole('button', { name: 'BMP' }).isDisabled());
    });

    test('without WebAssembly SIMD the build without it converts, also offline', Timeout, async () => {
        const withoutSimd = (p) => p.addInitScript(() => {
            WebAssembly.validate = () => false;
        });
        // The build with SIMD is out of the page's reach.
        const page = await newPage(undefined, async (p) => {
            await withoutSimd(p);
            await p.route('**/velmora.{js,wasm}', (route) => route.fulfill({ status: 404 }));
        });
        await converted(page, () => openByButton(page, photo()));
        await assertSavesMatch(page, photo(), Settings[0]);
        assert.deepStrictEqual(page.errors, []);
        // Routed requests pass the service worker by: offline is tried on a
        // page without routes, whose kept build with SIMD is thrown away.
        const offline = await newPage(undefined, withoutSimd);
        await offline.evaluate(async () => {
            await navigator.serviceWorker.ready;
            const [name] = await caches.keys();
            const cache = await caches.open(name);
            await Promise.all(['src/velmora.js', 'src/velmora.wasm'].map((file) => cache.delete(file)));
        });
        await offline.context().setOffline(true);
        await offline.reload();
        await converted(offline, () => openByButton(offline, photo()));
        assertSame((await saved(offline, 'BMP')).bytes, cliOutput(photo(), { ...Settings[0], format: 'bmp' }),
                   'offline');
    });

    test('a 48 MP photo converts within the memory cap', Timeout, async () => {
        const page = await newPage();
        const big = made('48mp.jpg', ['logo:', '-scale', '8000x6000!', '-quality', '85']);
        await converted(page, () => openByButton(page, big));
        const memory = Number(await page.getAttribute('#status', 'data-memory'));
        assert.match(await page.textContent('#status'), /^8000 × 6000，/);
        assert.ok(memory > 0 && memory <= 128 * 1048576, `memory ${memory}`);
    });

    test('after the first visit it opens and converts offline', Timeout, async () => {
        const page = await newPage();
        await page.evaluate(() => navigator.serviceWorker.ready);
        await page.context().setOffline(true);
        await page.reload();
        await converted(page, () => openByButton(page, photo()));
        assertSame((await saved(page, 'SVG')).bytes,
                   cliOutput(photo(), { thick: false, contrast: 7, noise: false, format: 'svg', transparent: true }),
                   'offline');
    });

    test('at phone width every control is reachable and nothing scrolls sideways', Timeout, async () => {
        const page = await newPage({ width: 390, height: 844 });
        await converted(page, () => openByButton(page, photo()));
        for (const id of Controls) {
            const control = page.locator(`#${id}`);
            await control.scrollIntoViewIfNeeded();
            const box = await control.boundingBox();
            assert.ok(box && box.x >= 0 && box.x + box.width <= 390, `${id} at ${JSON.stringify(box)}`);
        }
        assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 390));
    });

    test('every control is reached and used by the keyboard', Timeout, async () => {
        const page = await newPage();
        // Tab from the top reaches every control once there is a step to
        // undo and one to redo.
        await converted(page, () => openByButton(page, photo()));
        await converted(page, () => page.getByLabel('コントラスト').selectOption('5'));
        await converted(page, () => page.getByLabel('コントラスト').selectOption('6'));
        await converted(page, () => page.getByRole('button', { name: '元に戻す' }).click());
        await page.click('h1');
        const reached = new Set();
        for (let i = 0; i < 2 * Controls.length && reached.size < Controls.length; ++i) {
            await page.keyboard.press('Tab');
            reached.add(await page.evaluate(() => document.activeElement.id));
        }
        assert.deepStrictEqual(Controls.filter((id) => !reached.has(id)), []);
        // Open by Enter, change an option by the arrow keys, undo by Ctrl+Z.
        await page.focus('#open');
        page.chosenFile = transparentPng();
        await converted(page, () => page.keyboard.press('Enter'));
        await page.focus('#thickness');
        await converted(page, () => page.keyboard.press('ArrowDown'));
        // The undo above left contrast at 5.
        const o = { thick: true, contrast: 5, noise: false, format: 'png', transparent: false };
        assertSame((await saved(page, 'PNG 白黒')).bytes, cliOutput(transparentPng(), o), 'thick by keyboard');
        await page.focus('#zoom-in');
        await page.keyboard.press('Enter');
        assert.match(await page.textContent('#zoom'), /^\d+ %$/);
    });

    test('speaks English and Japanese, and switches', Timeout, async () => {
        const context = await browser.newContext({ locale: 'en-US' });
        const page = await context.newPage();
        await page.goto(url);
        await page.getByRole('button', { name: 'Extract' }).waitFor();
        await page.getByRole('button', { name: '日本語' }).click();
        await page.getByRole('button', { name: '実行' }).waitFor();
        assert.strictEqual(await page.getByLabel('線の太さ').count(), 1);
        await page.reload();
        await page.getByRole('button', { name: '実行' }).waitFor();
    });
});
