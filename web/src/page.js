// The page: opens a picture (button, drop, paste), extracts its lines in the
// worker as the options change, keeps ten steps of undo, shows the result
// or the original, and saves or copies the result.
import { History } from './history.js';
import { preferredLanguage, sentences, Strings, text } from './strings.js';
import { View } from './view.js';

const $ = (id) => document.getElementById(id);
const Accepted = /\.(bmp|jpe?g|png)$/i;
const AcceptedTypes = ['image/bmp', 'image/jpeg', 'image/png', 'image/x-ms-bmp'];
// Shown only when a conversion takes longer, so that small ones do not flicker.
const ProgressDelay = 300;
// The line style the page opens on, unless the visitor chose another: most
// bring a phone's photo. (The library and the converter keep their own
// default, edges.)
const DefaultStyle = VelmoraChoices.photoStyle;
// What the page says of each failure the worker answers with (velmora.h's
// error numbers, and the worker's own for an engine that cannot run): the
// keys of its sentences. Any other number is an option the engine refused,
// which the general sentence covers. VelmoraChoices and VelmoraErrors come
// from choices.js, which index.html loads first.
const Failures = {
    [VelmoraErrors.unavailable]: ['unavailable'],
    [VelmoraErrors.notAnImage]: ['unsupported'],
    [VelmoraErrors.damaged]: ['unreadable', 'damaged'],
    [VelmoraErrors.tooManyScans]: ['unreadable', 'tooManyScans'],
    [VelmoraErrors.tooLarge]: ['unreadable', 'tooLarge'],
    [VelmoraErrors.outOfMemory]: ['outOfMemory', 'tooLargeForMemory'],
};

// A module whose one function returns a WebAssembly SIMD value: it validates
// only where the browser has SIMD.
const SimdModule = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 8, 1, 6, 0,
                                   65, 0, 253, 15, 11]);

let language = preferredLanguage();
// The engine built with SIMD where it runs, the one without it elsewhere; a
// browser without WebAssembly at all is told so by the worker.
const simd = typeof WebAssembly === 'object' && WebAssembly.validate(SimdModule);
const worker = new Worker('src/worker.js', { name: simd ? 'simd' : 'plain' });
const pending = new Map();
let nextId = 1;
const history = new History();
let picture = null; // { name, url }
let showingOriginal = false;
const view = new View($('viewport'), $('picture'), (percent) => ($('zoom').textContent = `${percent} %`));

worker.onmessage = (event) => {
    const resolve = pending.get(event.data.id);
    pending.delete(event.data.id);
    resolve(event.data);
};

// Sends a request to the worker; resolves with its answer. The progress
// bar shows while any request is out for longer than ProgressDelay.
function request(message, transfer = []) {
    const id = nextId++;
    worker.postMessage({ id, ...message }, transfer);
    const timer = setTimeout(() => ($('progress').hidden = false), ProgressDelay);
    $('status').textContent = text(language, 'working');
    document.body.setAttribute('aria-busy', 'true');
    return new Promise((resolve) => pending.set(id, resolve)).then((answer) => {
        clearTimeout(timer);
        if (pending.size === 0) {
            $('progress').hidden = true;
            document.body.removeAttribute('aria-busy');
        }
        return answer;
    });
}

function options() {
    return {
        thick: $('thickness').value === '1',
        contrast: Number($('contrast').value),
        noise: $('noise').value === '1',
        style: $('style').value,
    };
}

function setOptions(o) {
    $('thickness').value = o.thick ? '1' : '0';
    $('contrast').value = String(o.contrast);
    $('noise').value = o.noise ? '1' : '0';
    $('style').value = o.style;
}

// What is shown is the drawing black on white, as PNG.
const Shown = { format: 'png', transparent: false };

// Tells the user of a failure in sentences of their language; the engine's
// own words, in English and for developers, go to the console.
function fail(answer) {
    $('message').textContent = sentences(language, Failures[answer.error] ?? ['failed']);
    console.warn(answer.message);
    showStatus();
}

function showStatus() {
    const entry = history.current;
    $('status').textContent = entry
        ? text(language, 'done', { ...entry.size, seconds: entry.seconds.toFixed(2), memory: entry.memory })
        : text(language, 'welcome');
    $('status').dataset.memory = entry ? String(entry.memoryBytes) : '';
    $('status').dataset.seconds = entry ? String(entry.seconds) : '';
}

// Adds a result to the history and shows it; resolves once it is drawn.
function record(answer, o) {
    const blob = new Blob([answer.bytes], { type: 'image/png' });
    const entry = {
        options: o, blob, url: URL.createObjectURL(blob), size: pngSize(answer.bytes), seconds: answer.seconds,
        memory: (answer.memory / 1048576).toFixed(1), memoryBytes: answer.memory,
    };
    for (const dropped of history.push(entry)) URL.revokeObjectURL(dropped.url);
    return showEntry();
}

// The width and height a PNG file's header chunk gives.
function pngSize(bytes) {
    const header = new DataView(bytes.buffer, bytes.byteOffset, 24);
    return { width: header.getUint32(16), height: header.getUint32(20) };
}

function showEntry() {
    const entry = history.current;
    showingOriginal = false;
    $('message').textContent = '';
    showStatus();
    updateControls();
    return view.show(entry.url);
}

function updateControls() {
    const has = Boolean(history.current);
    $('undo').disabled = !history.canUndo;
    $('redo').disabled = !history.canRedo;
    for (const button of [...saveButtons(), $('copy'), $('show')]) button.disabled = !has;
    $('execute').disabled = !picture;
    $('show').setAttribute('aria-pressed', String(showingOriginal));
    $('show').textContent = text(language, showingOriginal ? 'showResult' : 'showOriginal');
}

// Opens a picture file: it replaces the current one only when it converts.
async function openFile(file) {
    if (!file) return;
    if (!Accepted.test(file.name) && !AcceptedTypes.includes(file.type)) {
        $('message').textContent = text(language, 'unsupported');
        return;
    }
    const bytes = await file.arrayBuffer();
    const o = options();
    const answer = await request({ type: 'open', bytes, options: { ...o, ...Shown } }, [bytes]);
    if (answer.error) return fail(answer);
    if (picture) URL.revokeObjectURL(picture.url);
    picture = { name: baseName(file.name), url: URL.createObjectURL(file) };
    for (const dropped of history.clear()) URL.revokeObjectURL(dropped.url);
    await record(answer, o);
    view.fit();
}

function baseName(name) {
    const stem = name.replace(/\.[^.]*$/, '');
    return stem || 'image';
}

async function execute() {
    if (!picture) return;
    const o = options();
    const answer = await request({ type: 'convert', options: { ...o, ...Shown } });
    if (answer.error) return fail(answer);
    await record(answer, o);
}

// The current result in the format of a save button, from the options that
// made it.
async function resultAs(format, transparent) {
    const entry = history.current;
    if (format === 'png' && !transparent) return entry.blob;
    const answer = await request({ type: 'convert', options: { ...entry.options, format, transparent } });
    showStatus();
    if (answer.error) {
        fail(answer);
        return null;
    }
    return new Blob([answer.bytes], { type: formatNamed(format).mediaType });
}

function formatNamed(name) {
    return VelmoraChoices.formats.find((format) => format.name === name);
}

// The name a saved file gets: the picture's, then -velmora; the transparent
// PNG adds -transparent, so that it never takes the black-on-white one's.
function saveName(format, transparent) {
    const variant = format === 'png' && transparent ? '-transparent' : '';
    return `${picture.name}-velmora${variant}${formatNamed(format).extension}`;
}

// The save buttons, one or more for each format (data-format, its name).
function saveButtons() {
    return document.querySelectorAll('button[data-format]');
}

async function save(button) {
    const format = button.dataset.format;
    const transparent = button.dataset.transparent === '1';
    const blob = await resultAs(format, transparent);
    if (!blob) return;
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = saveName(format, transparent);
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

async function copy() {
    try {
        const blob = await resultAs('png', true);
        if (!blob) return;
        await navigator.clipboard.write([new ClipboardItem({ 'image/png': blob })]);
        $('message').textContent = text(language, 'copied');
    } catch {
        $('message').textContent = text(language, 'clipboardRefused');
    }
}

// The paste button reads the clipboard (where the browser allows it);
// Ctrl+V and a phone's paste menu come as paste events.
async function pasteFromClipboard() {
    try {
        for (const item of await navigator.clipboard.read()) {
            const type = item.types.find((t) => AcceptedTypes.includes(t));
            if (type) return openFile(new File([await item.getType(type)], `image.${type.split('/')[1]}`, { type }));
        }
        $('message').textContent = text(language, 'noClipboard');
    } catch {
        $('message').textContent = text(language, 'clipboardRefused');
    }
}

function pasted(event) {
    const file = [...(event.clipboardData?.files ?? [])][0];
    if (!file) return;
    event.preventDefault();
    openFile(file.name ? file : new File([file], `image.${file.type.split('/')[1]}`, { type: file.type }));
}

function undoRedo(step) {
    if (!history.current) return;
    setOptions(step().options);
    rememberStyle();
    showEntry();
}

// The line style the list shows is kept for the next visit, as the
// language is; a stored value the list does not offer is passed over.
function rememberStyle() {
    localStorage.setItem('style', $('style').value);
}

function restoreStyle() {
    const stored = localStorage.getItem('style');
    if ([...$('style').options].some((option) => option.value === stored)) $('style').value = stored;
}

function toggleOriginal() {
    if (!picture) return;
    showingOriginal = !showingOriginal;
    view.show(showingOriginal ? picture.url : history.current.url);
    updateControls();
}

function keyDown(event) {
    if (!(event.ctrlKey || event.metaKey) || event.altKey) return;
    const key = event.key.toLowerCase();
    const actions = {
        z: () => undoRedo(() => history.undo()),
        y: () => undoRedo(() => history.redo()),
        '+': () => view.zoomIn(), '=': () => view.zoomIn(), ';': () => view.zoomIn(),
        '-': () => view.zoomOut(),
    };
    if (!actions[key]) return;
    event.preventDefault();
    actions[key]();
}

function applyLanguage() {
    const words = Strings[language];
    document.documentElement.lang = language;
    document.title = words.title;
    for (const element of document.querySelectorAll('[data-text]')) element.textContent = words[element.dataset.text];
    for (const element of document.querySelectorAll('[data-text-label]')) {
        element.setAttribute('aria-label', words[element.dataset.textLabel]);
    }
    updateControls();
    $('language').textContent = language === 'ja' ? 'English' : '日本語';
    $('language').lang = language === 'ja' ? 'en' : 'ja';
    showStatus();
}

function switchLanguage() {
    language = language === 'ja' ? 'en' : 'ja';
    localStorage.setItem('language', language);
    applyLanguage();
}

function optionChanged() {
    if ($('auto').checked) execute();
}

// Fills the option lists with the engine's choices: a style's value is its
// name, a thickness's its number; their texts, the labels of their names,
// come with the language.
function fillLists() {
    for (const name of VelmoraChoices.styles) {
        const chosen = name === DefaultStyle;
        $('style').add(labelled(new Option('', name, chosen, chosen), name));
    }
    VelmoraChoices.thicknesses.forEach((name, value) => {
        $('thickness').add(labelled(new Option('', String(value)), name));
    });
    const contrast = VelmoraChoices.contrast;
    for (let c = contrast.lowest; c <= contrast.highest; ++c) {
        $('contrast').add(new Option(String(c), String(c), c === contrast.default, c === contrast.default));
    }
}

function labelled(option, name) {
    option.dataset.text = name;
    return option;
}

function start() {
    fillLists();
    $('open').onclick = () => $('file').click();
    $('file').onchange = () => {
        openFile($('file').files[0]);
        $('file').value = '';
    };
    $('paste').onclick = pasteFromClipboard;
    $('execute').onclick = execute;
    $('undo').onclick = () => undoRedo(() => history.undo());
    $('redo').onclick = () => undoRedo(() => history.redo());
    restoreStyle();
    for (const id of ['noise', 'thickness', 'style', 'contrast']) $(id).onchange = optionChanged;
    $('style').addEventListener('change', rememberStyle);
    for (const button of saveButtons()) button.onclick = () => save(button);
    $('copy').onclick = copy;
    $('show').onclick = toggleOriginal;
    $('zoom-in').onclick = () => view.zoomIn();
    $('zoom-out').onclick = () => view.zoomOut();
    $('fit').onclick = () => view.fit();
    $('language').onclick = switchLanguage;
    document.addEventListener('keydown', keyDown);
    document.addEventListener('paste', pasted);
    document.addEventListener('dragover', (event) => event.preventDefault());
    document.addEventListener('drop', (event) => {
        event.preventDefault();
        openFile(event.dataTransfer.files[0]);
    });
    applyLanguage();
    if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js');
}

start();
