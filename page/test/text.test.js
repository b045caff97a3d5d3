import assert from 'node:assert/strict';
import { test } from 'node:test';
import { foldText } from '../src/text-fold.js';
import { uniqueName } from '../src/unique-name.js';

test('search folds case and diacritics, and nothing else', () => {
    const cases = [
        ['Ünïcode', 'unicode'],
        ['ÅNGSTRÖM', 'angstrom'],
        ['Crème Brûlée', 'creme brulee'],
        ['e\u0301', 'e'], // already decomposed
        ['ß', 'ß'], // no accent to drop; lower case already
        ['İstanbul', 'istanbul'],
        ['東京 7', '東京 7'],
        ['a-b_c.d', 'a-b_c.d'],
        ['', ''],
        [undefined, ''],
        [null, ''],
        [0, '0'],
        [false, 'false'],
    ];
    for (const [text, folded] of cases) {
        assert.equal(foldText(text), folded, JSON.stringify(text));
    }
});

test('a taken name gets the first free suffix', () => {
    const cases = [
        // name, names already shown, expected
        ['Truck', [], 'Truck'],
        ['Truck', ['Truck'], 'Truck(1)'],
        ['Truck', ['Truck', 'Truck(1)', 'Truck(2)'], 'Truck(3)'],
        ['Truck', ['Truck', 'Truck(2)'], 'Truck(1)'],
        ['Truck(1)', ['Truck(1)'], 'Truck(1)(1)'],
        ['', [''], '(1)'],
        ['truck', ['Truck'], 'truck'], // names are told apart by case
    ];
    for (const [name, shown, expected] of cases) {
        const taken = new Set(shown);
        assert.equal(uniqueName(name, (candidate) => taken.has(candidate)), expected,
                     `${name} among ${shown}`);
    }
});
