<?php
sim_require_method('GET');
sim_with_state(function (array &$state) {
    $state['queue'] = [];
});
sim_answer(200, 'OK');
