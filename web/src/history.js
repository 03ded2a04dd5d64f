// The results of the extractions, for undo and redo: the one shown and up
// to ten before it. A new result drops those undone.
export const Steps = 10;

export class History {
    constructor() {
        this.entries = [];
        this.index = -1;
    }

    get current() {
        return this.entries[this.index];
    }

    get canUndo() {
        return this.index > 0;
    }

    get canRedo() {
        return this.index < this.entries.length - 1;
    }

    // Adds entry after the current one; returns the entries dropped.
    push(entry) {
        const dropped = this.entries.splice(this.index + 1);
        this.entries.push(entry);
        if (this.entries.length > Steps + 1) dropped.push(...this.entries.splice(0, this.entries.length - Steps - 1));
        this.index = this.entries.length - 1;
        return dropped;
    }

    undo() {
        if (this.canUndo) --this.index;
        return this.current;
    }

    redo() {
        if (this.canRedo) ++this.index;
        return this.current;
    }

    // Empties it, for a new picture; returns the entries dropped.
    clear() {
        this.index = -1;
        return this.entries.splice(0);
    }
}
