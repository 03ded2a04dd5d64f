// The picture's view: zoom at 25 to 200 % or fitted to the viewport, by
// buttons, Ctrl+wheel (keeping the point under the mouse in place) and
// pinching; panning by dragging with the mouse, and natively by touch and
// the arrow keys.
export const Levels = [0.25, 0.5, 1, 1.5, 2];

export class View {
    constructor(viewport, image, onZoom) {
        this.viewport = viewport;
        this.image = image;
        this.onZoom = onZoom;
        this.scale = 1;
        this.fitted = false;
        this.pointers = new Map();
        viewport.addEventListener('wheel', (event) => this.wheel(event), { passive: false });
        viewport.addEventListener('pointerdown', (event) => this.pointerDown(event));
        viewport.addEventListener('pointermove', (event) => this.pointerMove(event));
        for (const type of ['pointerup', 'pointercancel']) {
            viewport.addEventListener(type, (event) => this.pointers.delete(event.pointerId));
        }
        // A fitted view fits again once the picture has its size: decoding
        // can give up before it has one.
        image.addEventListener('load', () => (this.fitted ? this.fit() : this.apply()));
        window.addEventListener('resize', () => this.fitted && this.fit());
    }

    // Shows url, keeping the scale; resolves once it is drawn (or found
    // broken).
    show(url) {
        this.image.src = url;
        this.image.hidden = false;
        return this.image.decode().catch(() => {});
    }

    zoomIn(centre) {
        this.setScale(Levels.find((l) => l > this.scale + 1e-9) ?? Levels.at(-1), centre);
    }

    zoomOut(centre) {
        this.setScale(Levels.findLast((l) => l < this.scale - 1e-9) ?? Levels[0], centre);
    }

    fit() {
        const width = this.image.naturalWidth || 1;
        const height = this.image.naturalHeight || 1;
        const scale = Math.min(this.viewport.clientWidth / width, this.viewport.clientHeight / height, Levels.at(-1));
        this.setScale(Math.max(scale, 0.01));
        this.fitted = true;
    }

    // Sets the scale, keeping the picture point at centre (viewport
    // coordinates; its middle by default) where it is.
    setScale(scale, centre) {
        const v = this.viewport;
        const at = centre ?? { x: v.clientWidth / 2, y: v.clientHeight / 2 };
        const pictureX = (v.scrollLeft + at.x) / this.scale;
        const pictureY = (v.scrollTop + at.y) / this.scale;
        this.scale = scale;
        this.fitted = false;
        this.apply();
        v.scrollLeft = pictureX * scale - at.x;
        v.scrollTop = pictureY * scale - at.y;
    }

    apply() {
        this.image.style.width = `${Math.round(this.image.naturalWidth * this.scale)}px`;
        this.image.style.height = `${Math.round(this.image.naturalHeight * this.scale)}px`;
        this.onZoom(Math.round(this.scale * 100));
    }

    wheel(event) {
        if (!event.ctrlKey) return;
        event.preventDefault();
        const box = this.viewport.getBoundingClientRect();
        const centre = { x: event.clientX - box.left, y: event.clientY - box.top };
        if (event.deltaY < 0) this.zoomIn(centre);
        else this.zoomOut(centre);
    }

    pointerDown(event) {
        this.pointers.set(event.pointerId, { x: event.clientX, y: event.clientY });
        if (event.pointerType === 'mouse') this.viewport.setPointerCapture(event.pointerId);
        this.pinch = this.pointers.size === 2 ? this.spread() : null;
    }

    pointerMove(event) {
        const last = this.pointers.get(event.pointerId);
        if (!last) return;
        const now = { x: event.clientX, y: event.clientY };
        this.pointers.set(event.pointerId, now);
        if (event.pointerType === 'mouse' && event.buttons === 1) {
            this.viewport.scrollLeft -= now.x - last.x;
            this.viewport.scrollTop -= now.y - last.y;
        } else if (this.pinch && this.pointers.size === 2) {
            // A step of zoom for each quarter the fingers spread or close.
            const spread = this.spread();
            if (spread > this.pinch * 1.25) this.zoomIn();
            else if (spread < this.pinch / 1.25) this.zoomOut();
            else return;
            this.pinch = spread;
        }
    }

    spread() {
        const [a, b] = [...this.pointers.values()];
        return Math.hypot(a.x - b.x, a.y - b.y);
    }
}
